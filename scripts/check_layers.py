#!/usr/bin/env python3
"""Checks that the folders of src/ depend on each other one way only.

Reads every #include "folder/..." in src/ and compares the folder-to-folder edges with the
allowed ones below; also checks that the conversion core and the converter include no GUI
toolkit, and that only files named Gtk* include GTK or GDK headers. Prints the graph found
(with --graph) and every edge or include that breaks a rule; exits 1 when there is one.

    scripts/check_layers.py [--graph] [SRC_DIR]
"""

import re
import sys
from pathlib import Path

# Which folders each folder may include. The desktop program runs app -> ui -> resources and the
# text helpers; the core (platform, midi, roll), the expression, the picture and sound libraries,
# the conversion job that both programs run (conversion, which names the picture and sound formats
# only) and the converter (cli), the live MIDI output and its player (live, play) never reach into it.
ALLOWED = {
    "platform": set(),
    "midi": {"platform"},
    "roll": {"platform", "midi"},
    "expression": {"platform", "midi", "roll"},
    "picture": {"platform", "roll", "expression"},
    "audio": {"platform", "roll"},
    "conversion": {"platform", "roll", "expression", "picture", "audio"},
    "cli": {"platform", "midi", "roll", "expression", "picture", "audio", "conversion"},
    "live": {"platform", "midi"},
    "play": {"platform", "midi", "roll", "expression", "live", "cli"},
    "text": {"platform"},
    "resources": {"text"},
    "ui": {"resources", "text", "platform", "midi", "roll", "expression", "picture", "audio", "live",
           "conversion"},
    "app": {"ui", "resources", "text", "platform", "roll", "expression", "picture", "audio"},
}
TOOLKIT_FREE = {"platform", "midi", "roll", "expression", "picture", "audio", "conversion", "cli",
                "live", "play"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)


def scan(src):
    """Yields (folder, file, include, quoted) for every include of every source file."""
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        for match in INCLUDE.finditer(path.read_text(encoding="utf-8", errors="replace")):
            yield folder, path, match.group(2), match.group(1) == '"'


def main(argv):
    show_graph = "--graph" in argv
    args = [a for a in argv if a != "--graph"]
    src = Path(args[0]) if args else Path(__file__).resolve().parent.parent / "src"
    graph = {}
    problems = []
    for folder, path, include, quoted in scan(src):
        name = path.relative_to(src)
        if folder not in ALLOWED:
            problems.append(f"{name}: folder '{folder}' has no place in the layers")
            continue
        graph.setdefault(folder, set())
        target = include.split("/")[0]
        if quoted and "/" in include and (src / include).exists():
            if target != folder:
                graph[folder].add(target)
                if target not in ALLOWED[folder]:
                    problems.append(f"{name}: includes {include} ({folder} -> {target})")
        elif not quoted and target in ("wx", "gtk", "gdk"):
            if folder in TOOLKIT_FREE:
                problems.append(f"{name}: includes <{include}> in the toolkit-free {folder}/")
            if target in ("gtk", "gdk") and not path.name.startswith("Gtk"):
                problems.append(f"{name}: includes <{include}> outside a Gtk* file")
    if show_graph:
        for folder in sorted(graph):
            print(f"{folder} -> {', '.join(sorted(graph[folder])) or '(nothing)'}")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
