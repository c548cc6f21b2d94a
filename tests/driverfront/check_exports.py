# SPDX-License-Identifier: MIT
"""A driver library's exports, as the binary tools show them, against its table of exports.

Linux (elf): every name the table lists, gpib-32.dll's other names apart, is defined under
GPIB_DUMMY_VERSION and nothing else is exported; no symbol is bound as GNU unique (which would
keep the library loaded after dlclose). A C client linked against the library asks for that
version and starts without a word on stderr.

Windows (pe): every name the table lists, gpib-32.dll's other names included, is exported
undecorated (no @ and byte count), nothing else is; and every DLL the library imports is in
the system folder, so that it also runs from there in place of gpib-32.dll.

usage: check_exports.py elf READELF LIBRARY CALL_TABLE CLIENT
       check_exports.py pe OBJDUMP LIBRARY CALL_TABLE SYSTEM_FOLDER
"""
import os
import re
import subprocess
import sys

NODE = "GPIB_DUMMY_VERSION"


def table_text(table):
    """The table with its own includes (the front's rows) read in their place, from the source
    tree's root, two folders above the table's."""
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(table))))
    return re.sub(r'^#include "([^"]+)"', lambda m: open(os.path.join(root, m.group(1))).read(),
                  open(table).read(), flags=re.M)


def listed_names(table, aliases):
    """The names of the table's rows: DRIVER_CALL(int, ibfind, (const char *name)); those of
    the ALIAS rows only if asked for."""
    rows = re.findall(r"^DRIVER_([A-Z]+)\(([^,]+),\s*(\w+)", table_text(table), flags=re.M)
    return {name for kind, _, name in rows if aliases or kind != "ALIAS"}


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


def check_elf(readelf, library, table, client):
    problems = []
    listed = listed_names(table, aliases=False)
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
    return listed, problems


def check_pe(objdump, library, table, system_folder):
    problems = []
    listed = listed_names(table, aliases=True)
    out = subprocess.run([objdump, "-p", library], check=True, capture_output=True,
                         text=True).stdout
    # The export name table's rows: "[   0] AllSPoll".
    names_table = out.partition("[Ordinal/Name Pointer] Table")[2].partition("\n\n")[0]
    exported = set(re.findall(r"^\s*\[\s*\d+\]\s+(\S+)$", names_table, flags=re.M))
    problems += [f"{name} is exported but not in the table" for name in sorted(exported - listed)]
    problems += [f"{name} is not exported" for name in sorted(listed - exported)]

    present = {name.lower() for name in os.listdir(system_folder)}
    for dll in re.findall(r"^\s*DLL Name: (\S+)$", out, flags=re.M):
        if dll.lower() not in present:
            problems.append(f"it needs {dll}, which the system folder does not hold")
    return listed, problems


def main(kind, *arguments):
    listed, problems = {"elf": check_elf, "pe": check_pe}[kind](*arguments)
    for problem in problems:
        print(problem)
    print(f"{len(listed)} exports checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
