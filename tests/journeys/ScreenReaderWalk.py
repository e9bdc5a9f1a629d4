#!/usr/bin/python3
"""Walks one program's accessibility tree over AT-SPI, as a screen reader (Orca) reads it.

Usage: ScreenReaderWalk.py PID           the whole tree, now
       ScreenReaderWalk.py PID focus     what takes the focus, until standard input closes

The walk prints "window<TAB>role<TAB>name" for each of the program's windows and
"focused<TAB>role<TAB>name" for each object that has the focus. Following the focus, the script
prints "listening" once it listens, then "focus<TAB>role<TAB>name<TAB>key" for each object that
takes the focus (its key: the shortcut a reader announces with it), and after it
"described<TAB>role<TAB>name<TAB>description", what a reader says of it then; it looks at what
holds that object too (a menu, a window), once each, and "named<TAB>role<TAB>name" for each name
it is told an object took. As Orca does, it asks to be told of changed
names, descriptions and values: it reads what it was told last, and a program tells only those
who asked. Both print "fault<TAB>what<TAB>object" for each object
that a screen reader would stumble on:
- a slider without the Value interface: its number can be neither read nor set;
- a description that says the name again or a part of it ("Ocean" of "Ocean preset"), or opens
  with it ("Copy image" of "Copy"), in any letter case;
- an unnamed object that shows or takes the focus, unless it only holds others (a filler or a
  panel with children that does not take the focus, which readers pass through);
- a top-level window that is not a window (a filler or a panel), which readers do not announce
  as one;
- a name longer than 80 characters, read whole each time the object is met (a label's name is the
  text it shows, which readers read as such);
- a menu item whose name carries its key ("Capture Area<TAB>Ctrl+Alt+Super+4"): the key is the
  item's shortcut, which readers announce after the name;
- a combo box named by one of its items ("PNG") rather than by its label ("Format").
Exits 2 while the program is not on the accessibility bus yet.
"""

import re
import sys

import pyatspi
from gi.repository import GLib

HOLDERS = {pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL}
LABELS = {pyatspi.ROLE_LABEL, pyatspi.ROLE_STATIC}
MENU_ITEMS = {pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM}
LONGEST_NAME = 80
KEY = re.compile(r"\t|\b(Ctrl|Alt|Shift|Super|Meta)\+")


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
    focusable = states.contains(pyatspi.STATE_FOCUSABLE)
    reached = states.contains(pyatspi.STATE_SHOWING) or focusable
    # Readers pass through what holds others without taking the focus.
    passed = role in HOLDERS and not focusable and node.childCount > 0
    if not name and reached and not passed:
        yield "an unnamed object"
    if len(name) > LONGEST_NAME and role not in LABELS:
        yield "a name of %d characters" % len(name)
    if role in MENU_ITEMS and KEY.search(name):
        yield "a key in a menu item's name"
    if role == pyatspi.ROLE_COMBO_BOX and name in items(node):
        yield "a combo box named by its item"


def items(node):
    """The names of a combo box's items, in its list, which stands in the tree while closed too."""
    return {item.name for holder in node if holder is not None for item in holder if item is not None}


def described(node, window):
    return "%s %r %r in %r" % (node.getRoleName(), node.name, node.description, window)


def key(node):
    try:
        actions = node.queryAction()
        return actions.getKeyBinding(0) if actions.nActions > 0 else ""
    except (NotImplementedError, GLib.Error):
        return ""


def walk(node, window, lines):
    if node.getState().contains(pyatspi.STATE_FOCUSED):
        lines.append("focused\t%s\t%s" % (node.getRoleName(), node.name))
    for fault in faults(node):
        lines.append("fault\t%s\t%s" % (fault, described(node, window)))
    for child in node:
        if child is not None:
            walk(child, window, lines)


def programs(pid):
    return [app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.get_process_id() == pid]


def read_tree(pid):
    found = programs(pid)
    if not found:
        return 2
    lines = []
    for program in found:
        for window in program:
            if window is None:
                continue
            lines.append("window\t%s\t%s" % (window.getRoleName(), window.name))
            if window.getRole() in HOLDERS:
                lines.append("fault\ta window that is not a window\t%s" % described(window, window.name))
            walk(window, window.name, lines)
    print("\n".join(lines))
    return 0


def follow_focus(pid):
    if not programs(pid):
        return 2

    met = set()

    def focused(event):
        node = event.source
        if event.detail1 != 1 or node is None or node.get_process_id() != pid:
            return
        window = node
        while window.parent is not None and window.parent.getRole() != pyatspi.ROLE_APPLICATION:
            window = window.parent
        print("focus\t%s\t%s\t%s" % (node.getRoleName(), node.name, key(node)), flush=True)
        print("described\t%s\t%s\t%s" % (node.getRoleName(), node.name, node.description), flush=True)
        # What holds it too (a menu, a window), once: a reader announces it as the focus enters.
        found = [(fault, node) for fault in faults(node)]
        holder = node.parent
        while holder is not None and holder.getRole() != pyatspi.ROLE_APPLICATION:
            if (holder.getRoleName(), holder.name, holder.getIndexInParent()) not in met:
                met.add((holder.getRoleName(), holder.name, holder.getIndexInParent()))
                found += [(fault, holder) for fault in faults(holder)]
            holder = holder.parent
        for fault, where in found:
            print("fault\t%s\t%s" % (fault, described(where, window.name)), flush=True)

    def ended(source, condition):
        if condition & (GLib.IO_HUP | GLib.IO_ERR) or not sys.stdin.readline():
            pyatspi.Registry.stop()
            return False
        return True

    def named(event):
        node = event.source
        if node is None or node.get_process_id() != pid:
            return
        # A name told in words is the one a reader keeps; otherwise it asks for the new one.
        name = event.any_data if isinstance(event.any_data, str) else node.name
        print("named\t%s\t%s" % (node.getRoleName(), name), flush=True)

    pyatspi.Registry.registerEventListener(focused, "object:state-changed:focused")
    # The accessibility library keeps what these events change up to date for each reader.
    pyatspi.Registry.registerEventListener(lambda event: None, "object:property-change")
    pyatspi.Registry.registerEventListener(lambda event: None, "object:value-changed")
    pyatspi.Registry.registerEventListener(named, "object:property-change:accessible-name")
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, ended)
    print("listening", flush=True)
    pyatspi.Registry.start()
    return 0


def main():
    pid = int(sys.argv[1])
    if sys.argv[2:] == ["focus"]:
        return follow_focus(pid)
    return read_tree(pid)


if __name__ == "__main__":
    sys.exit(main())
