#!/usr/bin/env python3
"""Fails when the folders under src/ include each other in a cycle, or when the portable core
reaches past the platform boundary.

Each folder is a node (src/platform, src/platform/sim and src/platform/mac are three); an edge
goes from the folder of a file to the folder of every project header it includes. A cycle is
printed with one include that closes each of its edges. The core's folders may include the
boundary's headers (platform/*.h) but nothing inside a binding (platform/sim/..., ...).
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*(?:include|import)\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".mm", ".m")
CORE_FOLDERS = ("bridge", "ax", "timing", "tracker", "window")


def include_edges(src):
    """{(from_folder, to_folder): "file -> header"} for includes that cross folders."""
    edges = {}
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.join(root, name)
            folder = os.path.relpath(root, src)
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for header in INCLUDE.findall(text):
                if not os.path.isfile(os.path.join(src, header)):
                    continue  # not a project header under src/ (public or generated)
                target = os.path.dirname(header) or "."
                if target != folder:
                    edges.setdefault((folder, target), f"{os.path.relpath(path, src)} -> {header}")
    return edges


def find_cycle(edges):
    """One cycle as a list of folders (first repeated at the end), or None."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
        graph.setdefault(b, set())
    state = {node: 0 for node in graph}  # 0 unseen, 1 on the path, 2 done
    path = []

    def visit(node):
        state[node] = 1
        path.append(node)
        for nxt in sorted(graph[node]):
            if state[nxt] == 1:
                return path[path.index(nxt):] + [nxt]
            if state[nxt] == 0:
                found = visit(nxt)
                if found:
                    return found
        path.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if state[node] == 0:
            found = visit(node)
            if found:
                return found
    return None


def boundary_violations(edges):
    """The includes by which a core folder reaches into a platform binding's folder."""
    return sorted(
        example
        for (a, b), example in edges.items()
        if a.split(os.sep)[0] in CORE_FOLDERS and b.startswith("platform/")
    )


def self_test():
    acyclic = {("a", "b"): "", ("b", "c"): "", ("a", "c"): ""}
    assert find_cycle(acyclic) is None
    cyclic = {("a", "b"): "", ("b", "c"): "", ("c", "a"): ""}
    assert find_cycle(cyclic) == ["a", "b", "c", "a"]
    core = {
        ("tracker", "platform"): "tracker/x.cpp -> platform/object.h",
        ("platform/sim", "sim_desktop"): "platform/sim/y.cpp -> sim_desktop/z.h",
        ("ax", "platform/sim"): "ax/a.cpp -> platform/sim/b.h",
        ("window/inner", "platform/mac"): "window/inner/c.cpp -> platform/mac/d.h",
    }
    assert boundary_violations(core) == [
        "ax/a.cpp -> platform/sim/b.h",
        "window/inner/c.cpp -> platform/mac/d.h",
    ]


def main(argv):
    if "--self-test" in argv:
        self_test()
        argv = [a for a in argv if a != "--self-test"]
    src = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    edges = include_edges(src)
    violations = boundary_violations(edges)
    if violations:
        print("the core includes a platform binding's header (only platform/*.h is allowed):")
        for example in violations:
            print(f"  {example}")
        return 1
    cycle = find_cycle(edges)
    if cycle:
        print("include cycle between src/ folders: " + " -> ".join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            print(f"  {edges[(a, b)]}")
        return 1
    folders = sorted({f for edge in edges for f in edge})
    print(f"include graph: {len(folders)} folders, {len(edges)} edges, no cycle")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
