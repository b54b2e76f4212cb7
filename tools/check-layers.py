#!/usr/bin/env python3
"""Checks that #include lines follow the program's layers; exits 1 on any breach.

The two layers:
  src/core/  no Qt at all. Its folders, lower to higher (a folder may include
             its own headers and those of any folder of the same or a lower
             rank, never a higher one):
  src/gui/   Qt windows and models; may include core and other gui folders.
  src/cli/   valmorix-cli; may include core, and gui/platform for the PDF painter.

Nothing includes cli; nothing in core includes gui, cli or a Qt header; and no
two folders include each other, directly or round a longer circle. Tests of
core may not reach into gui or Qt either, but may build their fixtures from any
core folder (a ledger test lays out an installation).

Run from anywhere: tools/check-layers.py [REPO_DIR]
"""
import os
import re
import sys

# The allowed order of the core folders. Folders of equal rank may include each
# other in one direction only (the cycle check catches both directions).
CORE_RANK = {
    "platform": 0,
    "store": 1,
    "reference": 2,
    "market": 2,
    "ledger": 3,
    "fund": 4,
    "stats": 4,
    "optimise": 5,
    "chart": 5,
    "install": 6,
    "login": 7,
}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(path):
    """'src/core/ledger/report/x.h' -> ('core', 'ledger'); None outside the layers."""
    parts = path.split("/")
    if parts[0] in ("src", "tests") and len(parts) > 2:
        if parts[1] in ("core", "gui") and len(parts) > 3:
            return parts[1], parts[2]
        if parts[1] == "cli":
            return "cli", ""
    return None


def main():
    top = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    os.chdir(top)
    problems = []
    edges = {}  # folder -> {folder: example}
    for root in ("src", "tests"):
        for dirpath, _, names in os.walk(root):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name).replace(os.sep, "/")
                here = folder_of(path)
                if here is None:
                    continue
                with open(path, encoding="utf-8", errors="replace") as f:
                    for lineno, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        where = f"{path}:{lineno}: {line.strip()}"
                        target = m.group(2)
                        if m.group(1) == "<":
                            if here[0] == "core" and re.match(r"Q[A-Za-z]|qt", target):
                                problems.append(f"{where}: core must not use Qt")
                            continue
                        there = folder_of("src/" + target)
                        if there is None:
                            continue
                        if there[0] == "cli" and here[0] != "cli":
                            problems.append(f"{where}: nothing includes the CLI")
                        elif here[0] == "core" and there[0] != "core":
                            problems.append(f"{where}: core must not include {there[0]}")
                        elif here[0] == "cli" and there[0] == "gui" and there[1] != "platform":
                            problems.append(f"{where}: the CLI uses gui/platform only")
                        elif path.startswith("tests/"):
                            pass  # a test may build its fixture from any core folder
                        elif here[0] == "core" and here[1] in CORE_RANK and there[1] in CORE_RANK:
                            if CORE_RANK[there[1]] > CORE_RANK[here[1]]:
                                problems.append(f"{where}: core/{here[1]} is below core/{there[1]}")
                        elif here[0] == "core" and (here[1] not in CORE_RANK or there[1] not in CORE_RANK):
                            missing = here[1] if here[1] not in CORE_RANK else there[1]
                            problems.append(f"{where}: core/{missing} has no rank in tools/check-layers.py")
                        if path.startswith("src/") and here != there:
                            edges.setdefault(here, {}).setdefault(there, where)

    # Folder cycles: Tarjan's strongly connected components over the include graph.
    index, low, stack, on_stack, counter = {}, {}, [], set(), [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in edges.get(v, {}):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            comp = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                comp.append(w)
                if w == v:
                    break
            if len(comp) > 1:
                names = sorted("/".join(c).rstrip("/") for c in comp)
                examples = [edges[a][b] for a in comp for b in edges.get(a, {}) if b in comp]
                problems.append("folders include each other: " + ", ".join(names) + "\n    " + "\n    ".join(examples))

    for v in sorted(edges):
        if v not in index:
            visit(v)

    for p in problems:
        print(p)
    if problems:
        print(f"layering check: {len(problems)} problem(s)")
        return 1
    print("layering check: includes follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
