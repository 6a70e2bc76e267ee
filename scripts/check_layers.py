#!/usr/bin/env python3
"""Fails when a source file includes a header of a library above its own.

The libraries of src/ sit in layers (geometry at the bottom, the window and the command-line tool
at the top); a library may include its own headers and those of the libraries it stands on,
never one above it or beside it that it does not use. Run by the build (target check_layers), so
a wrong-way include stops the build.
"""
import pathlib
import re
import sys

# What each library may include besides itself.
ALLOWED = {
    "geometry": set(),
    "alignment": {"geometry"},
    "stationing": {"geometry"},
    "profile": {"geometry", "alignment", "stationing"},
    "formats": {"geometry", "alignment", "stationing", "profile"},
    "piles": {"geometry", "alignment", "stationing", "profile", "formats"},
    "cad": {"geometry", "alignment", "stationing", "profile", "formats", "piles"},
    "sheet": {"geometry", "alignment", "stationing", "profile", "formats", "piles"},
    "session": {"geometry", "alignment", "stationing", "profile", "formats", "piles", "cad",
                "sheet"},
}
ALLOWED["cli"] = ALLOWED["session"] | {"session"}
ALLOWED["app"] = ALLOWED["session"] | {"session"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/')


def main() -> int:
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in {".h", ".cpp"}:
            continue
        library = path.relative_to(src).parts[0]
        allowed = ALLOWED.get(library)
        if allowed is None:
            faults.append(f"{path}: the folder {library} is not a known library")
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if match and match.group(1) != library and match.group(1) not in allowed:
                faults.append(f"{path}:{number}: {library} must not include {match.group(1)}/")
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
