#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Prints the names of the push buttons in the window titled TITLE, one a line, as the
accessibility tree (AT-SPI) gives them to a screen reader: the texts the user sees, without
their accelerator marks. Waits up to ten seconds for the window."""
import sys
import time

import pyatspi


def buttons(node):
    own = [node.name] if node.getRoleName() == "push button" else []
    return own + [name for child in node if child is not None for name in buttons(child)]


deadline = time.time() + 10
while time.time() < deadline:
    for window in (w for app in pyatspi.Registry.getDesktop(0) for w in app if w is not None):
        if window.name == sys.argv[1] and buttons(window):
            print("\n".join(buttons(window)))
            sys.exit(0)
    time.sleep(0.2)
sys.exit(f"no window titled {sys.argv[1]!r} with buttons in the accessibility tree")
