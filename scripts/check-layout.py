#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Veyra developers
#
# Checks the shape of the source tree (docs/architecture.md):
# - no file includes one of a folder above its own (the layers below, then the engine's rooms);
# - no source file is longer than 600 lines, no function body longer than 100;
# - only platform/ includes the operating system's own headers (docs/porting.md).
# Prints each breach and exits 1 when there is one.
import os
import re
import subprocess
import sys
from collections import defaultdict

os.chdir(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

# Lowest first: a folder may include its own files and those of folders before it.
LAYERS = ["platform", "engine", "suggest", "journal", "ql_lib", "catalog", "queue", "browser", "cli", "app"]
# The engine's rooms, lowest first; the engine's own folder (the table) sits above them all.
ROOMS = ["core", "file", "jpeg", "meta", "thumb", ""]
# Folders that may use every layer: they stand outside the program.
OUTSIDE = {"tests", "bench", "fuzz"}
MAX_FILE_LINES = 600
MAX_FUNCTION_LINES = 100
SYSTEM_HEADER = re.compile(r"^#include <(unistd\.h|fcntl\.h|sys/[^>]+|dirent\.h|signal\.h|csignal|"
                           r"linux/[^>]+)>", re.M)

files = subprocess.check_output(["git", "ls-files", "*.cpp", "*.h"], text=True).split()
tracked = set(files)
by_name = defaultdict(list)
for f in files:
    by_name[os.path.basename(f)].append(f)
roots = ["engine", "ql_lib/include", "ql_lib/src"] + sorted({f.split("/")[0] for f in files})


def resolve(include, source):
    here = os.path.normpath(os.path.join(os.path.dirname(source), include))
    if here in tracked:
        return here
    for root in roots:
        candidate = os.path.normpath(os.path.join(root, include))
        if candidate in tracked:
            return candidate
    named = by_name.get(os.path.basename(include), [])
    return named[0] if len(named) == 1 else None


def rank(path):
    top = path.split("/")[0]
    if top in OUTSIDE:
        return None
    if top not in LAYERS:
        return None
    room = ""
    parts = path.split("/")
    if top == "engine" and len(parts) > 2:
        room = parts[1]
    return (LAYERS.index(top), ROOMS.index(room) if top == "engine" else 0)


breaches = []
for f in files:
    text = open(f, encoding="utf-8").read()
    lines = text.split("\n")
    if len(lines) - 1 > MAX_FILE_LINES:
        breaches.append(f"{f}: {len(lines) - 1} lines (at most {MAX_FILE_LINES})")
    # Function bodies: a brace alone on a line at the start or one level in (this code's
    # format puts every function's opening brace there) up to its closing brace.
    start = None
    for number, line in enumerate(lines, 1):
        if start is None:
            m = re.match(r"^( {0,4})\{$", line)
            before = lines[number - 2].strip() if number > 1 else ""
            # Types, namespaces and initialisers have braces alone too: their bodies are not
            # functions (a class's functions inside are looked at one by one).
            if m and not re.match(r"^(template <.*> )?(class|struct|union|enum|namespace|extern)\b",
                                  before) and not before.endswith("="):
                start, indent = number, m.group(1)
        elif re.match("^" + indent + r"\}[;,]?\s*$", line):
            if number - start - 1 > MAX_FUNCTION_LINES:
                breaches.append(f"{f}:{start}: a body of {number - start - 1} lines "
                                f"(at most {MAX_FUNCTION_LINES})")
            start = None
    own = rank(f)
    if own is None:
        continue
    if not f.startswith("platform/"):
        for m in SYSTEM_HEADER.finditer(text):
            breaches.append(f"{f}: includes <{m.group(1)}>, which only platform/ may ask for")
    for m in re.finditer(r'^#include "([^"]+)"', text, re.M):
        target = resolve(m.group(1), f)
        if not target:
            continue
        other = rank(target)
        if other is not None and other > own:
            breaches.append(f"{f}: includes {target}, a folder above it")

for breach in breaches:
    print(breach)
sys.exit(1 if breaches else 0)
