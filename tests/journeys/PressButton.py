#!/usr/bin/python3
"""Finds one button or menu item of a program over AT-SPI, as a screen reader does, and presses it or says where it is.

Usage: PressButton.py PID PATTERN press|menu|extents [kept]

PATTERN is a regular expression searched in the button's name and in its description, and in a
menu item's path: the titles from the menu bar down, joined by "/" ("File", "File/Save Image").
"press" does the button's or item's press (or click) action, "menu" its show-menu action;
"extents" prints "x y width height" on the screen. "kept" finds the button or item in a closed
window or menu too, as a reader that kept the object it met there.
Exits 2 while the program is not on the accessibility bus yet, 3 when no such button shows, 1 when
the button has no such action or the call fails (a reader gives up on a call that does not
return).
"""

import re
import sys

import pyatspi

BUTTONS = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON}
ITEMS = {pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM}


def find(node, pattern, kept, path=""):
    role = node.getRole()
    showing = kept or node.getState().contains(pyatspi.STATE_SHOWING)
    if role in BUTTONS and showing and (pattern.search(node.name or "") or pattern.search(node.description or "")):
        return node
    if role in ITEMS:
        path = path + "/" + (node.name or "") if path else node.name or ""
        if showing and pattern.search(path):
            return node
    for child in node:
        if child is not None:
            found = find(child, pattern, kept, path)
            if found is not None:
                return found
    return None


def main():
    pid, pattern, what = int(sys.argv[1]), re.compile(sys.argv[2]), sys.argv[3]
    kept = sys.argv[4:] == ["kept"]
    programs = [app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.get_process_id() == pid]
    if not programs:
        return 2
    button = None
    for program in programs:
        button = button or find(program, pattern, kept)
    if button is None:
        return 3
    if what == "extents":
        box = button.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(box.x, box.y, box.width, box.height)
        return 0
    names = ("showmenu",) if what == "menu" else ("press", "click")
    actions = button.queryAction()
    for index in range(actions.nActions):
        if actions.getName(index).casefold() in names:
            return 0 if actions.doAction(index) else 1
    return 1


if __name__ == "__main__":
    sys.exit(main())
