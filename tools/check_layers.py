#!/usr/bin/env python3
"""Checks that every file under src/ includes only from its own layer and the layers below.

The layers are the README's (For contributors): util < base < store < the subsystems <
context < shell and cli. Core files never include a ui/ header, the command-line client neither, and only
the shell includes the shell. Prints each include that breaks the rule; exit status 1 if any.
"""
import pathlib
import re
import sys

LAYERS = {"util": 1, "base": 2, "store": 3, "config": 4, "subscriptions": 4, "inbox": 4,
          "view": 4, "notify": 4, "browserlink": 4, "context": 5, "shell": 6, "cli": 6}

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
broken = []
for path in sorted(src.rglob("*")):
    if path.suffix not in (".h", ".cpp"):
        continue
    rel = path.relative_to(src)
    name = f"src/{rel.as_posix()}"
    top, in_ui = rel.parts[0], "ui" in rel.parts[:-1]
    for include in re.findall(r'^#include "([^"]+)"', path.read_text(), re.M):
        parts = include.split("/")
        if parts[0] not in LAYERS:
            continue
        up = LAYERS[parts[0]] > LAYERS[top]
        ui_from_core = "ui" in parts[:-1] and not in_ui
        shell_from_below = parts[0] == "shell" and top != "shell"
        if up or ui_from_core or shell_from_below:
            broken.append(f"{name}: {include}")
print("\n".join(broken))
sys.exit(1 if broken else 0)
