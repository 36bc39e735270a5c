#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Prints the names of the push buttons in the window titled TITLE, one a line, as the
accessibility tree (AT-SPI) gives them to a screen reader: the texts the user sees, without
their accelerator marks. Waits up to ten seconds for the window."""
import sys
import time

import pyatspi


def nodes(node):
    yield node
    for child in node:
        if child is not None:
            yield from nodes(child)


def buttons(title):
    for application in pyatspi.Registry.getDesktop(0):
        for window in application:
            if window is not None and window.name == title:
                return [n.name for n in nodes(window) if n.getRoleName() == "push button"]
    return []


def main():
    title = sys.argv[1]
    deadline = time.time() + 10
    while time.time() < deadline:
        found = buttons(title)
        if found:
            print("\n".join(found))
            return 0
        time.sleep(0.2)
    print(f"no window titled {title!r} with buttons in the accessibility tree", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
