#!/usr/bin/env python3
"""Fails when the tree's own includes form a circle: between files (a header and
the sources that implement it count as one unit, platform halves such as
_win32/_posix included) or between folders, or when a folder includes one listed
below it in the README's table of folders. Prints the folders in an order where
each includes only folders before it. Given a folder, checks that copy instead."""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else __file__).resolve()
if ROOT.is_file():
    ROOT = ROOT.parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
PLATFORM = re.compile(r"_(win32|posix)$")


def files():
    """The tree's C++ files: git's list, or every file outside build/ of a copy."""
    if (ROOT / ".git").exists():
        listed = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, check=True,
                                capture_output=True, text=True).stdout.split()
    else:
        listed = [str(p.relative_to(ROOT)) for p in ROOT.rglob("*") if p.suffix in (".cpp", ".h")
                  and not str(p.relative_to(ROOT)).startswith("build")]
    return sorted(f for f in listed if "/" in f)


def own_header(path):
    """A source file belongs to the header it implements: the one it includes whose
    name is its own without a platform suffix (host/log_platform_posix.cpp belongs
    to log/log_platform.h). Any other file stands for itself."""
    if path.endswith(".cpp"):
        implemented = PLATFORM.sub("", pathlib.PurePosixPath(path).stem)
        for header in INCLUDE.findall((ROOT / path).read_text(errors="replace")):
            if pathlib.PurePosixPath(header).stem == implemented and (ROOT / header).exists():
                return header
    return path


def unit(path):
    """The unit a file belongs to: its header's folder and name."""
    header = pathlib.PurePosixPath(own_header(path))
    return f"{header.parent}/{header.stem}"


def graph(edges_of):
    edges = {}
    for name in files():
        for target in INCLUDE.findall((ROOT / name).read_text(errors="replace")):
            if not (ROOT / target).exists():
                continue
            source, dest = edges_of(name), edges_of(target)
            if source != dest:
                edges.setdefault(source, set()).add(dest)
            edges.setdefault(dest, set())
    return edges


def table_order():
    """The folders in the order of the README's table ("| `common/` | ...")."""
    readme = ROOT / "README.md"
    if not readme.exists():
        return []
    return re.findall(r"^\| `([^`/]+)/` \|", readme.read_text(errors="replace"), re.M)


def includes_below(order):
    """Each include of a folder listed below the including one: (file, included)."""
    rank = {folder: i for i, folder in enumerate(order)}
    found = []
    for name in files():
        source = name.split("/")[0]
        for target in INCLUDE.findall((ROOT / name).read_text(errors="replace")):
            dest = target.split("/")[0]
            if (ROOT / target).exists() and source in rank and dest in rank \
                    and rank[dest] > rank[source]:
                found.append((name, target))
    return found


def circle(edges):
    """One circle of the graph, or None; and a topological order."""
    state, order, stack = {}, [], []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        order.append(node)
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node)
            if found:
                return found, order
    return None, order


def main():
    failed = False
    edges = graph(unit)
    while True:
        units, _ = circle(edges)
        if not units:
            break
        print("include circle between files:", " -> ".join(units))
        edges[units[-2]].discard(units[-1])  # report the next one
        failed = True
    folders, order = circle(graph(lambda path: path.split("/")[0]))
    if folders:
        print("include circle between folders:", " -> ".join(folders))
        failed = True
    else:
        print("folders, each including only folders before it:", " ".join(order))
    for name, target in includes_below(table_order()):
        print(f"{name} includes {target}, a folder listed below its own in the README's table")
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
