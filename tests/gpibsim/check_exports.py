# SPDX-License-Identifier: MIT
"""The simulated bus's dynamic symbols, as readelf shows them, against its table of exports.

Every name the table lists is defined under GPIB_DUMMY_VERSION and nothing else is exported;
no symbol is bound as GNU unique (which would keep the library loaded after dlclose). A C
client linked against the library asks for that version and starts without a word on stderr.

usage: check_exports.py READELF LIBRARY CALL_TABLE CLIENT
"""
import re
import subprocess
import sys

NODE = "GPIB_DUMMY_VERSION"


def listed_names(table):
    """The names of the table's rows: GPIBSIM_CALL(int, ibfind, (const char *name))."""
    rows = re.findall(r"^GPIBSIM_[A-Z]+\(([^,]+),\s*(\w+)", open(table).read(), flags=re.M)
    return {name for _, name in rows}


def dynamic_symbols(readelf, library):
    """(name with version, binding, section) of every symbol in .dynsym."""
    out = subprocess.run([readelf, "--dyn-syms", "-W", library], check=True,
                         capture_output=True, text=True).stdout
    symbols = []
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 8 and fields[0].rstrip(":").isdigit():
            symbols.append((fields[7], fields[4], fields[6]))
    return symbols


def main(readelf, library, table, client):
    problems = []
    listed = listed_names(table)
    symbols = dynamic_symbols(readelf, library)
    defined = {name: binding for name, binding, section in symbols if section != "UND"}
    for name, binding in defined.items():
        if binding == "UNIQUE":
            problems.append(f"{name} is bound as GNU unique")
        if name == NODE:
            continue
        base, _, version = name.partition("@@")
        if base not in listed:
            problems.append(f"{name} is exported but not in the table")
        elif version != NODE:
            problems.append(f"{name} does not carry {NODE}")
    exported = {name.partition("@@")[0] for name in defined}
    problems += [f"{name} is not exported" for name in sorted(listed - exported)]

    needed = subprocess.run([readelf, "-V", "-W", client], check=True, capture_output=True,
                            text=True).stdout
    if f"Name: {NODE}" not in needed:
        problems.append(f"the client does not ask for {NODE}")
    run = subprocess.run([client], capture_output=True, text=True, timeout=60)
    if run.returncode != 0 or run.stderr:
        problems.append(f"the client exited {run.returncode} with stderr: {run.stderr!r}")

    for problem in problems:
        print(problem)
    print(f"{len(listed)} exports checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
