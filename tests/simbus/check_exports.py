# SPDX-License-Identifier: MIT
"""The stand-in's dynamic symbols, as readelf shows them, against its version script.

Every name the script lists is defined under GPIB_DUMMY_VERSION and nothing else is exported;
no symbol is bound as GNU unique (which would keep the library loaded after dlclose). A C
client linked against the library asks for that version and starts without a word on stderr.

usage: check_exports.py READELF LIBRARY VERSION_SCRIPT CLIENT
"""
import re
import subprocess
import sys

NODE = "GPIB_DUMMY_VERSION"


def listed_names(script):
    text = re.sub(r"/\*.*?\*/", "", open(script).read(), flags=re.S)
    glob = re.search(r"global:(.*?)local:", text, flags=re.S).group(1)
    return {name.strip() for name in glob.split(";") if name.strip()}


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


def main(readelf, library, script, client):
    problems = []
    listed = listed_names(script)
    symbols = dynamic_symbols(readelf, library)
    defined = {name: binding for name, binding, section in symbols if section != "UND"}
    for name, binding in defined.items():
        if binding == "UNIQUE":
            problems.append(f"{name} is bound as GNU unique")
        if name == NODE:
            continue
        base, _, version = name.partition("@@")
        if base not in listed:
            problems.append(f"{name} is exported but not in the version script")
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
