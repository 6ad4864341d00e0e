#!/usr/bin/python3
"""Prints what a screen reader finds of a program through AT-SPI.

    accessible_tree.py APPLICATION

One line a node of the application's accessible tree, depth first: its depth,
role and name, separated by tabs. Exits 1 when the application is not on the
accessibility bus.
"""
import sys

import pyatspi


def walk(node, depth):
    yield depth, node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            yield from walk(child, depth + 1)


def main():
    wanted = sys.argv[1]
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is None or application.name != wanted:
            continue
        for depth, node in walk(application, 0):
            name = (node.name or "").replace("\t", " ").replace("\n", " ")
            print(f"{depth}\t{node.getRoleName()}\t{name}")
        return 0
    return 1


if __name__ == "__main__":
    sys.exit(main())
