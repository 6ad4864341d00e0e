#!/usr/bin/env python3
"""Checks that the includes inside the Qt layer run in one direction.

    include_order.py LAYER_FOLDER

The order of the layer's folders is the order of the table in the layer's
README.md, from the bottom up. A file may include only from its own folder
and from folders below it, and the files, taken in pairs (a header with its
source), must include each other without a cycle. Prints every offence and
exits with 1 when there is one.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"platform/qt/([^"]+)"', re.M)
TABLE_ROW = re.compile(r'^\|\s*`([a-z_]+)/`\s*\|', re.M)


def folder_order(layer):
    with open(os.path.join(layer, "README.md"), encoding="utf-8") as readme:
        return TABLE_ROW.findall(readme.read())


def sources(layer):
    for root, _, files in os.walk(layer):
        for name in sorted(files):
            if name.endswith((".h", ".cpp")):
                path = os.path.join(root, name)
                yield os.path.relpath(path, layer)


def unit(path):
    """A header and its source are one unit: the path without its ending."""
    return os.path.splitext(path)[0]


def folder(path):
    head = os.path.dirname(path)
    return head.split("/")[0] if head else ""


def find_cycle(graph):
    """One cycle of the graph as a list of units, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for successor in sorted(graph.get(node, ())):
            if state.get(successor) == "open":
                return stack[stack.index(successor):] + [successor]
            if successor not in state:
                found = visit(successor)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    layer = argv[1]
    order = folder_order(layer)
    rank = {name: index for index, name in enumerate(order)}
    top = len(order)
    offences = []
    graph = {}
    for path in sources(layer):
        with open(os.path.join(layer, path), encoding="utf-8") as source:
            included = INCLUDE.findall(source.read())
        own = folder(path)
        if own and own not in rank:
            offences.append(f"{path}: folder {own}/ is not in the README's table")
            continue
        own_rank = rank.get(own, top)
        for header in included:
            if not os.path.exists(os.path.join(layer, header)):
                offences.append(f"{path}: includes {header}, which does not exist")
                continue
            other = folder(header)
            if rank.get(other, top) > own_rank:
                offences.append(f"{path}: includes {header} from {other or 'the top'}/, "
                                f"above {own or 'the top'}/")
            if unit(header) != unit(path):
                graph.setdefault(unit(path), set()).add(unit(header))
    cycle = find_cycle(graph)
    if cycle:
        offences.append("files include each other: " + " -> ".join(cycle))
    for offence in offences:
        print(offence)
    if not offences:
        print(f"{len(list(sources(layer)))} files in {len(order)} folders include one way")
    return 1 if offences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
