# SPDX-License-Identifier: MIT
"""Prints what a Windows shortcut (.lnk) holds, one "name=value" line each: target, arguments,
working directory, icon, description and the shortcut key (hotkey, as the header's word)."""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO, IS_UNICODE = 0x1, 0x2, 0x80
# The optional strings, in the order the file keeps them, each present when its flag is set.
STRINGS = [(0x4, "description"), (0x8, "relative"), (0x10, "directory"), (0x20, "arguments"),
           (0x40, "icon")]


def main(path):
    data = open(path, "rb").read()
    size, = struct.unpack_from("<I", data, 0)
    if size != 0x4C or data[4:20] != bytes.fromhex("0114020000000000c000000000000046"):
        sys.exit(f"{path}: not a shell link")
    flags, = struct.unpack_from("<I", data, 0x14)
    hotkey, = struct.unpack_from("<H", data, 0x40)
    fields = {"hotkey": f"0x{hotkey:04x}", "target": ""}
    at = size
    if flags & HAS_ID_LIST:
        at += 2 + struct.unpack_from("<H", data, at)[0]
    if flags & HAS_LINK_INFO:
        info_size, _, info_flags, _, base, _, suffix = struct.unpack_from("<7I", data, at)
        if info_flags & 1:  # a local path: the base and the suffix, ANSI, NUL-terminated
            cut = lambda offset: data[at + offset:data.index(b"\0", at + offset)].decode("cp932")
            fields["target"] = cut(base) + cut(suffix)
        at += info_size
    for flag, name in STRINGS:
        if flags & flag:
            count, = struct.unpack_from("<H", data, at)
            width = 2 if flags & IS_UNICODE else 1
            text = data[at + 2:at + 2 + count * width]
            fields[name] = text.decode("utf-16-le" if width == 2 else "cp932").rstrip("\0")
            at += 2 + count * width
    for name, value in fields.items():
        print(f"{name}={value}")


if __name__ == "__main__":
    main(sys.argv[1])
