#!/usr/bin/env python3
"""Fails when the build or the tests use a file that tools/install-deps.sh does not bring.

A machine that has had packages installed by hand builds fine where a fresh one
stops in CMake. This check finds every file under /usr that a CMake configure
step read or found (the trace's script files, the paths in its commands and in
the cache), and the files the tests use at run time (python modules, programs,
a Chinese font), asks dpkg which package holds each, and fails naming every
package that is neither on the list nor a dependency of one (Recommends do not
count: the list is installed without them).

Usage: check-packages.py BUILD_DIR...
Each BUILD_DIR was configured with
  --trace-expand --trace-format=json-v1 --trace-redirect=BUILD_DIR/cmake-trace.json
"""

import json
import os
import re
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# What the tests use without CMake seeing it.
PYTHON_MODULES = ["dbf", "dbfread"]  # /usr/bin/python3 runs them
PROGRAMS = ["pdfinfo", "pdftotext", "dbfdump"]
FONT_LANGUAGE = "zh"  # windows and reports draw Chinese

# Packages whose files CMake finds on the way but nothing needs: FindOpenGL,
# which Qt's packages call, also looks for GLU and takes it where it is; for
# clang, CMake takes LLVM's ar, linker and the like where they are and GNU
# binutils (which g++ brings) where not.
FOUND_BUT_NOT_NEEDED = {"libglu1-mesa", "libglu1-mesa-dev", "llvm", "llvm-14", "lld", "lld-14"}

PATH_RE = re.compile(r"/usr/[^;\s\"'<>]+")


def listed_packages():
    out = subprocess.run([os.path.join(TOP, "tools", "install-deps.sh"), "--list"],
                         check=True, capture_output=True, text=True).stdout
    return [p for p in out.split() if p]


def base_system():
    """The packages every Debian system has: essential and required ones."""
    out = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${Essential} ${Priority}\n"],
                         check=True, capture_output=True, text=True).stdout
    return [w[0] for w in (line.split() for line in out.splitlines())
            if len(w) >= 2 and ("yes" in w[1:] or "required" in w[1:])]


def closure(packages):
    """The packages and everything they depend on, without Recommends."""
    out = subprocess.run(
        ["apt-cache", "depends", "--recurse", "--installed", "--no-recommends", "--no-suggests",
         "--no-conflicts", "--no-breaks", "--no-replaces", "--no-enhances"] + packages,
        check=True, capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        if line and not line[0].isspace():
            names.add(line.strip("<>").split(":")[0])
    return names


def candidate_files(build_dir):
    """Files under /usr that the configure step of build_dir read or found."""
    found = set()
    trace = os.path.join(build_dir, "cmake-trace.json")
    with open(trace, encoding="utf-8", errors="replace") as f:
        for line in f:
            try:
                entry = json.loads(line)
            except ValueError:
                continue
            if entry.get("file", "").startswith("/usr/"):
                found.add(entry["file"])
            for arg in entry.get("args", []):
                found.update(PATH_RE.findall(arg))
    with open(os.path.join(build_dir, "CMakeCache.txt"), encoding="utf-8", errors="replace") as f:
        for line in f:
            if not line.startswith(("#", "//")) and "=" in line:
                found.update(PATH_RE.findall(line.split("=", 1)[1]))
    return found


def runtime_files(problems):
    found = set()
    script = "import importlib\nfor m in %r: print(importlib.import_module(m).__file__)" % (
        PYTHON_MODULES)
    r = subprocess.run(["/usr/bin/python3", "-c", script], capture_output=True, text=True)
    if r.returncode != 0:
        problems.append("the tests' python modules do not load: " + r.stderr.strip().splitlines()[-1])
    found.update(r.stdout.split())
    for program in PROGRAMS:
        path = next((os.path.join(d, program) for d in ("/usr/bin", "/bin")
                     if os.path.exists(os.path.join(d, program))), None)
        if path:
            found.add(path)
        else:
            problems.append("the tests' program %s is not installed" % program)
    r = subprocess.run(["fc-list", ":lang=" + FONT_LANGUAGE, "file"], capture_output=True,
                       text=True)
    fonts = [line.rstrip(": ").strip() for line in r.stdout.splitlines() if line.strip()]
    if not fonts:
        problems.append("no font for language %s is installed" % FONT_LANGUAGE)
    return found, fonts


def owners(paths):
    """Maps each path to the packages that hold it (empty: none does)."""
    result = {p: set() for p in paths}
    # dpkg knows a file under the name its package gave it: after the /usr merge
    # /usr/lib/x/libc.so.6 may be listed as /lib/x/libc.so.6, and a link made by
    # update-alternatives belongs to nobody while its target does.
    names = {}
    for p in paths:
        forms = [p, os.path.realpath(p)]
        for form in list(forms):
            for top in ("/usr/lib/", "/usr/bin/", "/usr/sbin/"):
                if form.startswith(top):
                    forms.append(form[4:])
        for form in forms:
            names.setdefault(form, set()).add(p)
    r = subprocess.run(["dpkg-query", "-S"] + sorted(names), capture_output=True, text=True)
    for line in r.stdout.splitlines():
        if line.startswith("diversion ") or ": " not in line:
            continue
        pkgs, path = line.split(": ", 1)
        for p in names.get(path, ()):
            result[p].update(x.strip().split(":")[0] for x in pkgs.split(","))
    return result


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    listed = listed_packages()
    have = closure(listed + base_system()) | FOUND_BUT_NOT_NEEDED
    problems = []
    files = set()
    for build_dir in sys.argv[1:]:
        files.update(candidate_files(build_dir))
    files = {f for f in files if os.path.isfile(f)}
    extra, fonts = runtime_files(problems)
    files.update(f for f in extra if os.path.isfile(f))
    owned = owners(sorted(files | set(fonts)))

    missing = {}  # package -> files
    unowned = []
    for f in sorted(files):
        if not owned[f]:
            unowned.append(f)
        elif not owned[f] & have:
            missing.setdefault(sorted(owned[f])[0], []).append(f)
    if fonts and not any(owned[f] & have for f in fonts):
        for f in fonts:
            missing.setdefault(sorted(owned[f])[0] if owned[f] else "(no package)", []).append(f)

    for pkg, used in sorted(missing.items()):
        more = " (and %d more)" % (len(used) - 1) if len(used) > 1 else ""
        problems.append("%s is not in tools/install-deps.sh nor brought by it; used: %s%s" %
                        (pkg, used[0], more))
    for f in unowned:
        problems.append("%s belongs to no Debian package (installed by hand?)" % f)
    print("check-packages: %d files from %d packages checked against %d listed packages" %
          (len(files) + len(fonts), len({p for s in owned.values() for p in s}), len(listed)))
    for p in problems:
        print("check-packages: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
