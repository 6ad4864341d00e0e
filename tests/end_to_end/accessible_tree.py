#!/usr/bin/python3
"""What a screen reader finds of a program, and hears from it, through AT-SPI.

    accessible_tree.py tree APPLICATION
        One line a node of the application's accessible tree, depth first:
        its depth, role and name, separated by tabs. Exits 1 when the
        application is not on the accessibility bus.
    accessible_tree.py names APPLICATION SECONDS
        One line a change of an accessible name the application announces
        within SECONDS: the new name.
"""
import sys

import pyatspi
from gi.repository import GLib


def walk(node, depth):
    yield depth, node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child, depth + 1)


def clean(text):
    return (text or "").replace("\t", " ").replace("\n", " ")


def tree(wanted):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is None or application.name != wanted:
            continue
        for depth, node in walk(application, 0):
            print(f"{depth}\t{node.getRoleName()}\t{clean(node.name)}")
        return 0
    return 1


def names(wanted, seconds):
    def heard(event):
        application = event.host_application
        if application is not None and application.name == wanted:
            print(clean(event.source.name), flush=True)

    pyatspi.Registry.registerEventListener(heard, "object:property-change:accessible-name")
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()
    return 0


def main():
    if sys.argv[1] == "tree":
        return tree(sys.argv[2])
    return names(sys.argv[2], float(sys.argv[3]))


if __name__ == "__main__":
    sys.exit(main())
