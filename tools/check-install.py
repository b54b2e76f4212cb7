#!/usr/bin/env python3
"""Installs a build into a temporary prefix (cmake --install) and checks what
lands there: the two programs, the menu entry and its icon, the README, and
the help file when the build makes one. The menu entry must name a program
that was installed, an icon that was installed, and carry a Chinese name.

usage: check-install.py BUILD_DIR [--help-file]
"""
import configparser
import os
import subprocess
import sys
import tempfile

EXPECTED = [
    "bin/valmorix",
    "bin/valmorix-cli",
    "share/applications/valmorix.desktop",
    "share/icons/hicolor/scalable/apps/valmorix.svg",
    "share/icons/hicolor/48x48/apps/valmorix.png",
    "share/icons/hicolor/128x128/apps/valmorix.png",
    "share/doc/valmorix/README.md",
]


def main():
    build = sys.argv[1]
    expected = EXPECTED + (["share/valmorix/valmorix.hlp"] if "--help-file" in sys.argv else [])
    faults = []
    with tempfile.TemporaryDirectory() as prefix:
        subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL)
        installed = sorted(os.path.relpath(os.path.join(d, f), prefix)
                           for d, _, files in os.walk(prefix) for f in files)
        faults += [f"not installed: {f}" for f in expected if f not in installed]
        faults += [f"installed but not expected: {f}" for f in installed if f not in expected]

        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str  # keys are case-sensitive
        entry.read(os.path.join(prefix, "share/applications/valmorix.desktop"), encoding="utf-8")
        if entry.sections()[:1] != ["Desktop Entry"]:
            faults.append("the menu entry has no [Desktop Entry] group first")
        else:
            e = entry["Desktop Entry"]
            for key, want in [("Type", "Application"), ("Terminal", "false")]:
                if e.get(key) != want:
                    faults.append(f"menu entry: {key} is {e.get(key)!r}, not {want!r}")
            program = e.get("Exec", "").split()[0] if e.get("Exec") else ""
            if f"bin/{program}" not in installed:
                faults.append(f"menu entry: Exec names {program!r}, which is not installed")
            icon = e.get("Icon", "")
            if not any(f.startswith("share/icons/") and os.path.splitext(os.path.basename(f))[0]
                       == icon for f in installed):
                faults.append(f"menu entry: no icon {icon!r} installed")
            name = e.get("Name[zh_CN]", "")
            if not any("\u4e00" <= c <= "\u9fff" for c in name):
                faults.append(f"menu entry: Name[zh_CN] {name!r} is not Chinese")
            if not e.get("Categories", "").endswith(";"):
                faults.append("menu entry: Categories must end with ';'")

        cli = subprocess.run([os.path.join(prefix, "bin/valmorix-cli"), "--help"],
                             capture_output=True, text=True)
        if cli.returncode != 0 or "Usage: valmorix-cli" not in cli.stdout:
            faults.append("the installed valmorix-cli does not run")
    for f in faults:
        print("check-install:", f)
    if not faults:
        print(f"check-install: {len(expected)} files installed as expected")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
