#!/usr/bin/python3
"""Walks one program's accessibility tree over AT-SPI, as a screen reader (Orca) reads it.

Usage: ScreenReaderWalk.py PID

Prints "window<TAB>role<TAB>name" for each of the program's windows, and "fault<TAB>what<TAB>object"
for each object that a screen reader would stumble on:
- a slider without the Value interface: its number can be neither read nor set;
- a description that says the name again or a part of it ("Ocean" of "Ocean preset"), or opens
  with it ("Copy image" of "Copy"), in any letter case;
- an unnamed object that shows or takes the focus, unless it only holds others (a filler or a
  panel with children, which readers pass through).
Exits 2 while the program is not on the accessibility bus yet.
"""

import sys

import pyatspi

HOLDERS = {pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL}


def repeats(name, description):
    name, description = name.casefold(), description.casefold()
    if not description:
        return False
    if description in name:
        return True
    return bool(name) and description.startswith(name) and not description[len(name)].isalnum()


def faults(node):
    name, description = node.name or "", node.description or ""
    role = node.getRole()
    states = node.getState()
    if role == pyatspi.ROLE_SLIDER and "Value" not in node.get_interfaces():
        yield "a slider without a value"
    if repeats(name, description):
        yield "a description that repeats the name"
    reached = states.contains(pyatspi.STATE_SHOWING) or states.contains(pyatspi.STATE_FOCUSABLE)
    if not name and reached and not (role in HOLDERS and node.childCount > 0):
        yield "an unnamed object"


def walk(node, window, lines):
    for fault in faults(node):
        lines.append("fault\t%s\t%s %r %r in %r" % (fault, node.getRoleName(), node.name, node.description, window))
    for child in node:
        if child is not None:
            walk(child, window, lines)


def main():
    pid = int(sys.argv[1])
    programs = [app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.get_process_id() == pid]
    if not programs:
        return 2
    lines = []
    for program in programs:
        for window in program:
            if window is None:
                continue
            lines.append("window\t%s\t%s" % (window.getRoleName(), window.name))
            walk(window, window.name, lines)
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
