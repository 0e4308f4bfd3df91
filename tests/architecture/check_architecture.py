#!/usr/bin/env python3
"""docs/architecture.md against the code: the include edges between the
folders, the include edges between the engine's rooms (which must also form no
cycle), and the component table against the targets CMake defines.

usage: check_architecture.py ROOT DOC FOLDER_TARGETS
       check_architecture.py --self-test ROOT DOC FOLDER_TARGETS
FOLDER_TARGETS is the build's folder-targets.txt ("folder target kind" lines).
--self-test changes one number of each table and one target of the component
table in a copy of DOC in a temporary folder and expects each to fail."""
import fnmatch
import os
import re
import shutil
import subprocess
import sys
import tempfile
from collections import Counter

# The product's folders; tests and benchmarks include everything and are not counted.
FOLDERS = ["discwright", "burning", "desktop", "cli", "forms", "pages", "app"]
SOURCE = (".h", ".hpp", ".c", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
FOLDER_TABLE = "| from | to | include edges |"
ROOM_TABLE = "| room | includes from | include edges |"
COMPONENT_TABLE = "| folder | CMake target | links | holds |"


def sources(root):
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith(SOURCE):
                    yield os.path.relpath(os.path.join(directory, name), root)


def include_edges(root):
    """(from file, to header) for every quoted include that names a header of the product."""
    files = list(sources(root))
    headers = [f for f in files if f.endswith((".h", ".hpp"))]
    by_name = {}
    for h in headers:
        by_name.setdefault(os.path.basename(h), []).append(h)
    for f in files:
        with open(os.path.join(root, f), encoding="utf-8", errors="replace") as text:
            for included in INCLUDE.findall(text.read()):
                beside = os.path.normpath(os.path.join(os.path.dirname(f), included))
                if beside in headers:
                    yield f, beside
                    continue
                found = [h for h in by_name.get(os.path.basename(included), []) if h.endswith(included)]
                # Of two headers of one name, the one in the includer's own folder.
                found.sort(key=lambda h: h.split("/")[0] != f.split("/")[0])
                if found:
                    yield f, found[0]


def counted(root):
    folders, rooms = Counter(), Counter()
    for f, h in include_edges(root):
        a, b = f.split("/"), h.split("/")
        if a[0] != b[0]:
            folders[(a[0], b[0])] += 1
        elif a[0] == "burning" and len(a) > 2 and len(b) > 2 and a[1] != b[1]:
            rooms[(a[1], b[1])] += 1
    return folders, rooms


def table(doc, header):
    """The rows (lists of cells) of the table under header, which must be there."""
    lines = doc.splitlines()
    if header not in lines:
        raise SystemExit(f"architecture check: the document has no table headed {header}")
    rows = []
    for line in lines[lines.index(header) + 2:]:
        if not line.startswith("|"):
            break
        rows.append([cell.strip() for cell in line.strip().strip("|").split("|")])
    return rows


def edge_table(doc, header, what):
    written = {}
    for row in table(doc, header):
        a, b, n = row[0].strip("`"), row[1].strip("`"), row[2]
        if not n.isdigit():
            raise SystemExit(f"architecture check: {what} {a} -> {b}: '{n}' is not a number")
        written[(a, b)] = int(n)
    return written


def compare(written, found, what):
    problems = []
    for edge in sorted(set(written) | set(found)):
        w, c = written.get(edge, 0), found.get(edge, 0)
        if w != c:
            problems.append(f"{what} {edge[0]} -> {edge[1]}: the document says {w}, the code has {c}")
    return problems


def cycles(edges):
    """Each room that can reach itself along the edges."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)

    def reaches(start, goal, seen):
        for nxt in graph.get(start, ()):
            if nxt == goal or (nxt not in seen and (seen.add(nxt) or reaches(nxt, goal, seen))):
                return True
        return False

    return sorted(room for room in graph if reaches(room, room, set()))


def component_problems(doc, targets_file):
    built = {}
    with open(targets_file, encoding="utf-8") as lines:
        for line in lines:
            folder, target, kind = line.split()
            built.setdefault(folder, {})[target] = kind
    problems = []
    for row in table(doc, COMPONENT_TABLE):
        folder = row[0].strip("`").rstrip("/")
        named = re.findall(r"`([^`]+)`", row[1])
        have = built.get(folder, {})
        for name in named:
            if not fnmatch.filter(have, name):
                problems.append(f"component {folder}/: the document names the target {name}, CMake has none such there")
        for target, kind in sorted(have.items()):
            if kind in ("STATIC_LIBRARY", "SHARED_LIBRARY", "EXECUTABLE") and \
                    not any(fnmatch.fnmatch(target, name) for name in named):
                problems.append(f"component {folder}/: CMake builds {target}, the document does not name it")
    return problems


def check(root, doc_path, targets_file):
    with open(doc_path, encoding="utf-8") as f:
        doc = f.read()
    folders, rooms = counted(root)
    problems = compare(edge_table(doc, FOLDER_TABLE, "include edges"), folders, "include edges")
    problems += compare(edge_table(doc, ROOM_TABLE, "engine room edges"), rooms, "engine room edges")
    problems += [f"engine rooms: {room} includes itself round a cycle" for room in cycles(rooms)]
    problems += component_problems(doc, targets_file)
    for p in problems:
        print(f"{doc_path}: {p}", file=sys.stderr)
    return 1 if problems else 0


def self_test(root, doc_path, targets_file):
    """Each kind of drift, made in a copy, must fail and be named."""
    with open(doc_path, encoding="utf-8") as f:
        doc = f.read()
    first_edge = table(doc, FOLDER_TABLE)[0]
    first_room = table(doc, ROOM_TABLE)[0]
    first_component = table(doc, COMPONENT_TABLE)[0]
    target = re.findall(r"`([^`]+)`", first_component[1])[0]

    def bumped(row, header):
        old = "| " + " | ".join(row) + " |"
        new = "| " + " | ".join(row[:2] + [str(int(row[2]) + 1)]) + " |"
        return doc.replace(old, new, 1), f"{row[0]} -> {row[1]}: the document says {int(row[2]) + 1}, the code has {row[2]}"

    cases = [bumped(first_edge, FOLDER_TABLE), bumped(first_room, ROOM_TABLE),
             (doc.replace(f"`{target}`", f"`{target}_gone`", 1), f"names the target {target}_gone")]
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        changed = os.path.join(folder, "architecture.md")
        for text, expected in cases:
            with open(changed, "w", encoding="utf-8") as f:
                f.write(text)
            run = subprocess.run([sys.executable, __file__, root, changed, targets_file], capture_output=True, text=True)
            if run.returncode == 0 or expected not in run.stderr:
                failures += 1
                print(f"self-test: a document with '{expected}' was not refused so:\n{run.stderr}", file=sys.stderr)
    shutil.rmtree(folder, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    args = sys.argv[1:]
    if len(args) == 4 and args[0] == "--self-test":
        sys.exit(self_test(*args[1:]))
    if len(args) != 3:
        sys.exit(__doc__)
    sys.exit(check(*args))
