"""Checks that every file listed comes with a set of packages: from one of
them or from a package they depend on, directly or not, as dpkg has them
installed here.

    provided_by.py FILE_LIST PROGRAM PACKAGE...

FILE_LIST holds one path a line. Files of no package that a process makes
or is handed (the program itself, caches, sockets, shared memory) are left
out. Prints what is missing and exits 1, else exits 0."""

import os
import re
import subprocess
import sys

# Made at run time, by the program or for it: no package ships them.
NOT_SHIPPED = ("/dev/", "/proc/", "/run/", "/tmp/", "/var/cache/", "/var/tmp/", "/memfd:")


def installed_packages():
    """name -> (dependencies as lists of alternatives, virtual names it
    provides, whether it is essential)"""
    fields = "${Package}\t${Status}\t${Essential}\t${Depends}, ${Pre-Depends}\t${Provides}\n"
    output = subprocess.run(["dpkg-query", "-W", "-f", fields], check=True,
                            capture_output=True, text=True).stdout
    packages = {}
    for line in output.splitlines():
        name, status, essential, depends, provides = line.split("\t")
        if not status.endswith(" installed"):
            continue
        packages[name] = ([names(group) for group in depends.split(",") if group.strip()],
                          names(provides.replace(",", "|")), essential == "yes")
    return packages


def names(alternatives):
    """'a (>= 1) | b:any' -> ['a', 'b']"""
    result = []
    for alternative in alternatives.split("|"):
        name = re.sub(r"\(.*?\)|\[.*?\]|<.*?>", "", alternative).strip().split(":")[0]
        if name:
            result.append(name)
    return result


def closure(roots, packages):
    providers = {}
    for name, (_, provided, _) in packages.items():
        for virtual in provided:
            providers.setdefault(virtual, []).append(name)
    reached, pending = set(), list(roots)
    while pending:
        name = pending.pop()
        for real in ([name] if name in packages else []) + providers.get(name, []):
            if real in reached:
                continue
            reached.add(real)
            for group in packages[real][0]:
                pending.extend(group)
    return reached


def merged_usr_twins(path):
    """The same file under /usr and under the top-level folders it merges."""
    twins = [path]
    for top in ("/lib", "/bin", "/sbin", "/lib64"):
        if path.startswith("/usr" + top + "/"):
            twins.append(path[len("/usr"):])
        elif path.startswith(top + "/"):
            twins.append("/usr" + path)
    return twins


def candidates(path):
    return list(dict.fromkeys(merged_usr_twins(path) + merged_usr_twins(os.path.realpath(path))))


def owners_of(paths):
    """path -> the packages that ship it, asked of dpkg in one go."""
    asked = sorted({candidate for path in paths for candidate in candidates(path)})
    found = subprocess.run(["dpkg-query", "-S", *asked], capture_output=True, text=True).stdout
    shipped = {}
    for line in found.splitlines():
        listed, _, owned = line.rpartition(": ")
        if owned in asked:
            shipped[owned] = [name.split(":")[0].strip() for name in listed.split(",")]
    return {path: next((shipped[c] for c in candidates(path) if c in shipped), []) for path in paths}


def main():
    file_list, program, roots = sys.argv[1], os.path.realpath(sys.argv[2]), sys.argv[3:]
    packages = installed_packages()
    unknown = [root for root in roots if root not in packages]
    if unknown:
        print("      not installed: " + " ".join(unknown))
        return 1
    # Every Debian system has the essential packages (libc-bin's locales,
    # coreutils): they come with any set.
    essential = [name for name, (_, _, is_essential) in packages.items() if is_essential]
    reached = closure(roots + essential, packages)
    with open(file_list, encoding="utf-8") as listed:
        paths = dict.fromkeys(line.strip() for line in listed if line.strip())
    checked = [path for path in paths if not path.endswith(" (deleted)")
               and not path.startswith(NOT_SHIPPED) and os.path.realpath(path) != program]
    shipped = owners_of(checked)
    missing = []
    for path in checked:
        found = shipped[path]
        if not found:
            missing.append(f"{path} (no package)")
        elif not reached.intersection(found):
            missing.append(f"{path} (from {', '.join(found)})")
    for entry in missing:
        print("      not with the run set: " + entry)
    print(f"      {len(paths)} files and commands, {len(reached)} packages with the run set")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
