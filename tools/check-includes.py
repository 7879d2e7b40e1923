#!/usr/bin/env python3
"""Checks the direction of the includes between the program's folders.

The launcher is built in floors: res/ (the resource ids) at the bottom, then
platform/, commands/, ui/ and app/ at the top. A file includes from its own
floor or one below, never from one above, and never from a folder that does
not ship (tests, tools, the CD's other programs). The launcher's files and
the CD's programs (cdprograms/) name each of their own headers from the top
of the tree. No include names a path with "..", and no file includes itself
through others.

    check-includes.py ROOT FILE...

FILE are the C++ and resource sources to check, relative to ROOT. Prints
every include that breaks a rule and exits 1, or prints a summary and
exits 0.
"""

import os
import re
import sys

FLOORS = ["res", "platform", "commands", "ui", "app"]
# Folders whose includes name their headers from the top of the tree.
FROM_THE_TOP = FLOORS + ["cdprograms"]
# Where the build looks for a quoted include that is not beside its file:
# the top of the tree, the tests' shared helpers, and the MS-DOS programs'
# stand-ins for the C library's headers.
INCLUDE_DIRS = ["", "tests/win", "cdprograms/dos/include"]
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def folder(path):
    return path.split("/", 1)[0] if "/" in path else ""


def resolve(root, including, name):
    for base in [os.path.dirname(including)] + INCLUDE_DIRS:
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def find_cycle(graph):
    """One include cycle as a list of files, or None."""
    state = {}
    for start in sorted(graph):
        if start in state:
            continue
        stack = [(start, iter(sorted(graph[start])))]
        path = [start]
        state[start] = "open"
        while stack:
            node, children = stack[-1]
            child = next(children, None)
            if child is None:
                state[node] = "done"
                stack.pop()
                path.pop()
            elif state.get(child) == "open":
                return path[path.index(child) :] + [child]
            elif child not in state:
                state[child] = "open"
                stack.append((child, iter(sorted(graph.get(child, ())))))
                path.append(child)
    return None


def main(argv):
    if len(argv) < 2:
        print("usage: check-includes.py ROOT FILE...", file=sys.stderr)
        return 2
    root, files = argv[1], argv[2:]
    faults = []
    graph = {}
    edges = 0
    for path in files:
        with open(os.path.join(root, path), encoding="latin-1") as f:
            text = f.read()
        graph.setdefault(path, set())
        for name in INCLUDE.findall(text):
            where = f"{path}: #include \"{name}\""
            if ".." in name.split("/"):
                faults.append(f"{where} climbs out of its folder with ..; name it from the top of the tree")
                continue
            target = resolve(root, path, name)
            if target is None:
                continue  # a system header, or one the build makes
            if folder(path) in FROM_THE_TOP and target != os.path.normpath(name):
                faults.append(f"{where} is found beside its file; name it from the top of the tree, as {target}")
                continue
            graph[path].add(target)
            edges += 1
            source_folder, target_folder = folder(path), folder(target)
            if source_folder not in FLOORS or source_folder == target_folder:
                continue
            if target_folder not in FLOORS:
                faults.append(f"{where}: {source_folder}/ ships, {target_folder}/ does not")
            elif FLOORS.index(target_folder) > FLOORS.index(source_folder):
                faults.append(f"{where}: {source_folder}/ includes from {target_folder}/, a floor above it")
    cycle = find_cycle(graph)
    if cycle:
        faults.append("include cycle: " + " -> ".join(cycle))
    for fault in faults:
        print(f"check-includes: {fault}", file=sys.stderr)
    if faults:
        return 1
    print(f"check-includes: {len(files)} files, {edges} includes: each runs down the floors "
          f"{' < '.join(FLOORS)}, none in a cycle")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
