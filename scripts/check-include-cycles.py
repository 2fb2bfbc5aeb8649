#!/usr/bin/env python3
"""check-include-cycles.py [SRC_DIR]: prints every circle of modules in SRC_DIR
(default: the src/ folder beside this script) and exits 1 if there is one.

A module is X.h with X.cpp and its system sources X_unix.cpp and X_win.cpp.
Module A depends on module B when a file of A includes a header of B with
#include "..."; headers are found by name, in the including file's folder
first, as the build's include folders make them. A circle means neither
module can be understood, built or tested without the other.
"""

import os
import re
import sys

SOURCE_ENDINGS = (".h", ".cpp")
SYSTEM_SUFFIXES = ("_unix", "_win")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def module_of(path):
    folder, name = os.path.split(path)
    stem = os.path.splitext(name)[0]
    for suffix in SYSTEM_SUFFIXES:
        if stem.endswith(suffix):
            stem = stem[: -len(suffix)]
    return os.path.join(folder, stem)


def read_graph(root):
    files = []
    for folder, dirs, names in os.walk(root):
        dirs.sort()
        for name in sorted(names):
            if name.endswith(SOURCE_ENDINGS):
                files.append(os.path.relpath(os.path.join(folder, name), root))
    headers = {}  # file name -> the headers of that name
    for path in files:
        if path.endswith(".h"):
            headers.setdefault(os.path.basename(path), []).append(path)
    graph = {module_of(path): set() for path in files}
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            text = source.read()
        here = module_of(path)
        for included in INCLUDE.findall(text):
            candidates = headers.get(os.path.basename(included), [])
            beside = [c for c in candidates if os.path.dirname(c) == os.path.dirname(path)]
            # Generated headers (ui_*.h, Version.h) and Qt's are not in the tree.
            for header in beside or candidates[:1]:
                target = module_of(header)
                if target != here:
                    graph[here].add(target)
    return graph


def strongly_connected(graph):
    """Tarjan's components, iteratively, each as a sorted list."""
    index, low, on_stack, stack, components = {}, {}, set(), [], []
    counter = 0
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, successors = work[-1]
            advanced = False
            for successor in successors:
                if successor not in index:
                    index[successor] = low[successor] = counter
                    counter += 1
                    stack.append(successor)
                    on_stack.add(successor)
                    work.append((successor, iter(sorted(graph[successor]))))
                    advanced = True
                    break
                if successor in on_stack:
                    low[node] = min(low[node], index[successor])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                components.append(sorted(component))
    return components


def cycles(graph):
    """Every elementary circle once, starting at its smallest module."""
    found = []
    for component in strongly_connected(graph):
        if len(component) < 2:
            continue
        members = set(component)
        for start in component:
            # Circles through modules below `start` were found from those.
            allowed = {m for m in members if m >= start}
            path = [start]
            work = [iter(sorted(graph[start] & allowed))]
            while work:
                successor = next(work[-1], None)
                if successor is None:
                    work.pop()
                    path.pop()
                elif successor == start:
                    found.append(list(path))
                elif successor not in path:
                    path.append(successor)
                    work.append(iter(sorted(graph[successor] & allowed)))
    return found


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    graph = read_graph(root)
    found = cycles(graph)
    for circle in found:
        print("cycle: " + " -> ".join(circle + [circle[0]]))
    edges = sum(len(targets) for targets in graph.values())
    print(f"{len(graph)} modules, {edges} dependencies, {len(found)} cycle(s)")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
