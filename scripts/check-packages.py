#!/usr/bin/env python3
"""Proves that everything the build links comes from the packages of scripts/packages.txt.

A library that another package happened to bring onto this machine links here and fails on a
fresh one. So every library on the build's link lines must belong to a listed package or to a
package those depend on (Depends and Pre-Depends, followed through installed packages). Run it
after a build: check-packages.py BUILD_DIR. Exit 1 names each library and its package.
"""
import os
import re
import shlex
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def listed_packages(path):
    names = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            names += line.split("#", 1)[0].split()
    return names


def installed_packages():
    """name -> (dependency groups, provided names) for each installed package."""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f=${Package}\t${Status}\t${Depends}, ${Pre-Depends}\t${Provides}\n"],
        capture_output=True, text=True, check=True).stdout
    pkgs = {}
    for line in out.splitlines():
        name, status, depends, provides = line.split("\t")
        if not status.endswith(" installed"):
            continue
        groups = []
        for group in depends.split(","):
            alts = [re.split(r"[\s(:]", a.strip(), maxsplit=1)[0] for a in group.split("|")]
            alts = [a for a in alts if a]
            if alts:
                groups.append(alts)
        provided = [re.split(r"[\s(]", p.strip(), maxsplit=1)[0] for p in provides.split(",") if p.strip()]
        pkgs[name] = (groups, provided)
    return pkgs


def closure(roots, pkgs):
    providers = {}
    for name, (_, provided) in pkgs.items():
        for p in provided:
            providers.setdefault(p, []).append(name)
    seen, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        if name in seen:
            continue
        seen.add(name)
        if name not in pkgs:
            continue
        for alts in pkgs[name][0]:
            for alt in alts:
                for real in [alt] + providers.get(alt, []):
                    if real in pkgs and real not in seen:
                        todo.append(real)
    return seen


def link_inputs(build_dir):
    """Libraries named on the build's link lines, as files."""
    files = set()
    for root, _, names in os.walk(build_dir):
        if "link.txt" not in names:
            continue
        with open(os.path.join(root, "link.txt"), encoding="utf-8") as f:
            for token in shlex.split(f.read()):
                if token.startswith("-l") and len(token) > 2:
                    found = ""
                    for suffix in (".so", ".a"):
                        found = subprocess.run(["c++", f"-print-file-name=lib{token[2:]}{suffix}"],
                                               capture_output=True, text=True).stdout.strip()
                        if os.path.isabs(found):
                            break
                    files.add(os.path.normpath(found) if os.path.isabs(found) else token)
                elif token.startswith("/") and re.search(r"\.(so(\.[0-9.]+)?|a)$", token) \
                        and not os.path.abspath(token).startswith(os.path.abspath(build_dir)):
                    files.add(os.path.normpath(token))
    return sorted(files)


def owner(path):
    candidates = [path]
    if path.startswith("/usr/"):
        candidates.append(path[4:])
    elif path.startswith("/lib"):
        candidates.append("/usr" + path)
    for c in candidates:
        r = subprocess.run(["dpkg-query", "-S", c], capture_output=True, text=True)
        if r.returncode == 0:
            return r.stdout.split(":", 1)[0].split(",")[0].strip()
    return None


def main():
    build_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
    package_file = os.environ.get("VELMORA_PACKAGE_LIST", os.path.join(HERE, "packages.txt"))
    pkgs = installed_packages()
    allowed = closure(listed_packages(package_file), pkgs)
    inputs = link_inputs(build_dir)
    if not inputs:
        print(f"check-packages: no link lines under {build_dir}; build first", file=sys.stderr)
        return 2
    faults = []
    for path in inputs:
        if not os.path.isabs(path):
            faults.append(f"{path}: not found on this machine")
            continue
        pkg = owner(path)
        if pkg is None:
            faults.append(f"{path}: belongs to no Debian package (installed by hand?)")
        elif pkg not in allowed:
            faults.append(f"{path}: comes from {pkg}, which {os.path.basename(package_file)} "
                          "neither lists nor pulls in")
    for f in faults:
        print(f"check-packages: {f}", file=sys.stderr)
    if faults:
        return 1
    print(f"check-packages: the {len(inputs)} libraries the build links all come from listed packages")
    return 0


if __name__ == "__main__":
    sys.exit(main())
