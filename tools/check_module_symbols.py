#!/usr/bin/env python3
"""Checks that a packaged driver object is a self-contained kernel module.

A module may import only what the kernel environment offers: the kernel
layer (nVLZUK*), the idle tracker (rfCompositeIdleTracker_*), LZ4 and the few
memory intrinsics a compiler emits on its own. It may export only its entry
(and its PCI id table), and its static constructors must sit in its own
table, not in the C runtime's.
"""
import argparse
import re
import subprocess
import sys

ALLOWED_IMPORTS = [
    re.compile(r"^nVLZUK\d+_\w+$"),
    re.compile(r"^rfCompositeIdleTracker_\w+$"),
    re.compile(r"^LZ4_\w+$"),
    re.compile(r"^(memcpy|memset|memmove|memcmp)$"),
    # Defined by the linker itself for position-independent code.
    re.compile(r"^_GLOBAL_OFFSET_TABLE_$"),
]
ALLOWED_EXPORTS = [
    re.compile(r"^nVLAPAL200_driverEntry$"),
    re.compile(r"^nVLZUK200_(begin|end)PCIIDTable$"),
]


def symbols(nm, path):
    out = subprocess.run([nm, "-P", "-A", path], check=True, capture_output=True, text=True).stdout
    imports, exports = [], []
    for line in out.splitlines():
        fields = line.split()
        if len(fields) < 3:
            continue
        name, kind = fields[1], fields[2]
        if kind in ("U", "w", "v"):
            imports.append(name)
        elif kind.isupper() or kind == "u":
            # "u": a unique global, which the dynamic linker binds across
            # objects and which keeps the module from being unmapped.
            exports.append(name)
    return imports, exports


def section_names(objdump, path):
    out = subprocess.run([objdump, "-h", path], check=True, capture_output=True, text=True).stdout
    return {fields[1] for fields in (l.split() for l in out.splitlines()) if len(fields) > 1 and fields[0].isdigit()}


def problems_of(args):
    imports, exports = symbols(args.nm, args.object)
    problems = []
    problems += [f"imports {name}" for name in sorted(set(imports))
                 if not any(p.match(name) for p in ALLOWED_IMPORTS)]
    problems += [f"exports {name}" for name in sorted(set(exports))
                 if not any(p.match(name) for p in ALLOWED_EXPORTS)]
    if args.module:
        if "nVLAPAL200_driverEntry" not in exports:
            problems.append("does not export nVLAPAL200_driverEntry")
        sections = section_names(args.objdump, args.object)
        if ".init_array" in sections:
            problems.append("has constructors in .init_array (the C runtime would run them)")
        if ".vl_init_array" not in sections:
            problems.append("has no .vl_init_array constructor table")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("object")
    parser.add_argument("--nm", default="nm")
    parser.add_argument("--objdump", default="objdump")
    parser.add_argument("--module", action="store_true", help="also check the module's entry and tables")
    parser.add_argument("--expect-reject", metavar="SYMBOL",
                        help="succeed only when the object is rejected for importing or exporting SYMBOL")
    args = parser.parse_args()
    problems = problems_of(args)
    if args.expect_reject:
        wanted = next((p for p in problems if p in (f"imports {args.expect_reject}",
                                                     f"exports {args.expect_reject}")),
                      f"imports or exports {args.expect_reject}")
        if wanted in problems:
            print(f"rejected as expected: {wanted}")
            return 0
        print(f"expected the object to be rejected for '{wanted}', got: {problems or 'accepted'}")
        return 1
    for problem in problems:
        print(f"{args.object}: {problem}")
    if problems:
        return 1
    print(f"{args.object}: self-contained")
    return 0


if __name__ == "__main__":
    sys.exit(main())
