#!/usr/bin/env python3
"""Fails on an #include that points against the program's direction.

The program's folders depend one way, each on the folders below it only:

    platform <- core <- install <- windows <- app
                     <- web     <-

install/ (the install flows) and web/ (the website and the ways out) stand side by side on
core/, and neither includes the other: the shell functions both call are in platform/.

layout/ (the keyboard layout and its DLLs) and setup/ (the layout's setup program) are artefacts
of their own beside the program: layout uses the identity in core/, setup uses platform/ and
core/, and nothing of the program includes either. The layout readers the tests use
(tests/layout/) and the chart tool (tools/chart/) read the layout's definition and nothing of
either program, except the PE header reader in platform/ that the layout readers share with
setup. tests/, bench/ and tools/ otherwise may include anything; nothing includes them.
core/Identity.h is made by the build from core/Identity.h.in, and counts as that file.

  include-direction.py [ROOT]     check the tree at ROOT (default: this repository)
  include-direction.py --graph [ROOT]
                                  list which folders each folder includes, and how often
  include-direction.py --self-test
                                  plant back-includes in a copy of the tree and fail unless the
                                  check catches every one of them
"""
import pathlib
import re
import shutil
import sys
import tempfile

# Each folder of the program and the folders it may include, besides itself.
MAY_INCLUDE = {
    "platform": set(),
    "core": {"platform"},
    "install": {"core", "platform"},
    "web": {"core", "platform"},
    "windows": {"web", "install", "core", "platform"},
    "app": {"windows", "web", "install", "core", "platform"},
    "layout": {"core"},
    "setup": {"core", "platform"},
    "tests/layout": {"layout", "core", "platform"},
    "tools/chart": {"layout", "core"},
}
# Not part of what ships: free to include the program, never included by it.
OUTSIDE = {"tests", "bench", "tools"}
# Single includes against the direction, each with the reason it stands for now.
ALLOWED = {}
# A header the build makes from a template beside where it would stand: NAME from NAME + this.
TEMPLATE_SUFFIX = ".in"
SOURCE_SUFFIXES = {".h", ".hpp", ".c", ".cc", ".cpp", ".rc", ".def"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def sources(root, folder):
    return sorted(p for p in (root / folder).rglob("*")
                  if p.is_file() and p.suffix.lower() in SOURCE_SUFFIXES)


def includes(root, folder):
    """(file, line number, included file relative to root) for each include of ours in folder."""
    for path in sources(root, folder):
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            quote, name = match.groups()
            # As the compiler looks: beside the file (quoted includes only), then the root; a
            # header the build makes is found as its template.
            places = ([path.parent / name] if quote == '"' else []) + [root / name]
            candidates = places + [p.with_name(p.name + TEMPLATE_SUFFIX) for p in places]
            target = next((c.resolve() for c in candidates if c.is_file()), None)
            if target is not None and root in target.parents:
                yield path, number, target.relative_to(root).as_posix()


def area(relative):
    """The folder of MAY_INCLUDE (the deepest one) or the top folder a file belongs to."""
    deepest = max((f for f in MAY_INCLUDE if relative.startswith(f + "/")), key=len, default=None)
    return deepest or relative.split("/", 1)[0]


def graph(root):
    root = root.resolve()
    for folder in sorted(MAY_INCLUDE):
        if (root / folder).is_dir():
            counts = {}
            for _, _, relative in includes(root, folder):
                to = area(relative)
                if to != folder:
                    counts[to] = counts.get(to, 0) + 1
            print(f"{folder:12} -> " + (", ".join(f"{to} ({n})" for to, n in sorted(counts.items()))
                                       or "nothing"))


def check(root):
    """The findings for the tree at root, one line each."""
    root = root.resolve()
    findings = []
    for top in sorted(p for p in root.iterdir() if p.is_dir() and not p.name.startswith(".")):
        if top.name in MAY_INCLUDE or top.name in OUTSIDE or top.name == "build":
            continue
        if sources(root, top.name):
            findings.append(f"{top.name}/: a folder of sources with no place in the direction "
                            "(add it to MAY_INCLUDE or OUTSIDE in tools/include-direction.py)")
    for folder, allowed in MAY_INCLUDE.items():
        if not (root / folder).is_dir():
            continue
        for path, number, relative in includes(root, folder):
            to = area(relative)
            if to == folder or to in allowed or (folder, relative) in ALLOWED:
                continue
            where = path.relative_to(root).as_posix()
            why = (f"{to}/ is not part of the program" if to in OUTSIDE else
                   f"{folder}/ may include only " +
                   (", ".join(f"{f}/" for f in sorted(allowed)) or "itself"))
            findings.append(f"{where}:{number}: includes {relative}: against the direction "
                            f"({why})")
    return findings


# Back-includes planted by the self-test: (file, line to add, what the finding must name).
PLANTED = [
    ("install/InstallFlows.cpp", '#include "windows/frmMain_win.h"', "windows/frmMain_win.h"),
    ("core/AppFolder.cpp", '#include "../windows/BaseWindow_win.h"', "windows/BaseWindow_win.h"),
    ("layout/UrduPhonetic.cpp", '#include "tests/layout/LayoutDllReader.h"',
     "tests/layout/LayoutDllReader.h"),
    ("setup/Setup.cpp", '#include "install/InstallPaths.h"', "install/InstallPaths.h"),
    ("tools/chart/LayoutChart.cpp", '#include "install/InstallPaths.h"', "install/InstallPaths.h"),
    # The identity header the build makes, found as its template.
    ("platform/SystemError.cpp", '#include "core/Identity.h"', "core/Identity.h.in"),
    ("platform/NtPath.cpp", '#include "setup/Setup.h"', "setup/Setup.h"),
    ("web/Website.cpp", '#include "tests/imports/PeImports.h"', "tests/imports/PeImports.h"),
    # install/ and web/ stand side by side: neither may include the other.
    ("web/WebsiteRoute.cpp", '#include "install/InstallPaths.h"', "install/InstallPaths.h"),
    ("install/InstallScript.cpp", '#include "web/Website.h"', "web/Website.h"),
]


def self_test(root):
    with tempfile.TemporaryDirectory() as scratch:
        copy = pathlib.Path(scratch)
        for folder in sorted({f.split("/", 1)[0] for f in MAY_INCLUDE} | OUTSIDE):
            if (root / folder).is_dir():
                shutil.copytree(root / folder, copy / folder)
        clean = check(copy)
        if clean:
            print("include direction self-test: the unplanted copy already fails:")
            print("\n".join(clean))
            return 1
        for file, line, _ in PLANTED:
            target = copy / file
            target.write_text(line + "\n" + target.read_text())
        planted = check(copy)
    print("include direction self-test, with back-includes planted:")
    print("\n".join(f"  {finding}" for finding in planted))
    missed = [f"{file}: {name}" for file, _, name in PLANTED
              if not any(f.startswith(f"{file}:1: includes {name}:") for f in planted)]
    if missed:
        print("include direction self-test: FAILED, not caught: " + "; ".join(missed))
        return 1
    print(f"include direction self-test: all {len(PLANTED)} planted back-includes caught")
    return 0


def main(arguments):
    root = pathlib.Path(__file__).resolve().parent.parent
    if arguments == ["--self-test"]:
        return self_test(root)
    if arguments[:1] == ["--graph"] and len(arguments) <= 2:
        graph(pathlib.Path(arguments[1]) if len(arguments) == 2 else root)
        return 0
    if len(arguments) > 1 or (arguments and arguments[0].startswith("-")):
        print(__doc__.strip())
        return 2
    if arguments:
        root = pathlib.Path(arguments[0])
    findings = check(root)
    if findings:
        print("\n".join(findings))
        print(f"include direction: {len(findings)} include(s) against the direction")
        return 1
    print("include direction: every #include points down "
          "(platform <- core <- install, web <- windows <- app; layout, setup apart)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
