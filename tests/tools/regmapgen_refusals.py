#!/usr/bin/env python3
"""Tables the register-map generator must refuse, each with the reason it
must give: one small table per fault, written out and handed to the
generator as the build would."""
import os
import subprocess
import sys
import tempfile

GENERATOR = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "regmapgen.py")
SETTINGS = {"namespace": "nRefused", "bus": "accessor", "keys": "offset", "after reinitialize": "clean",
            "one-bit values": "non-zero", "context": "ignored", "registers": "1", "writable": "1", "readable": "1"}
HEADER = "| Offset | Register | Width | Access | Reset | Id | Fields: bits (FieldType) |\n|---|---|---|---|---|---|---|"
A = "| 0x0 | tA | 32 | RW | 0 | | 0 (0) |"
TWO = {"registers": "2", "writable": "2", "readable": "2"}

# (name, settings, register rows, further sections, the reason given)
CASES = [
    ("OverlappingFields", {}, ["| 0x0 | tA | 32 | RW | 0 | 0x80000000 | 4:0 (1), 7:4 (1) |"], "", "overlap"),
    ("WrongFieldType", {}, ["| 0x0 | tA | 32 | RW | 0 | 0x80000000 | 8:0 (1) |"], "", "is 9 bits wide, type 2, not 1"),
    ("WrongOffsetId", {}, ["| 0x10 | tA | 32 | R | 0 | 0x80000010 | 31:0 (3) |"], "", "but its key gives 0xc0000010"),
    ("WrongNameId", {"keys": "name"}, ["| 0x0 | tSpiConfig | 32 | RW | 0 | 0x804C7A53 | 7:0 (1) |"], "",
     "list it under 'Id exceptions'"),
    ("StaleException", {"keys": "name"}, ["| 0x0 | tSpiConfig | 32 | RW | 0 | 0x804C7A52 | 7:0 (1) |"],
     "## Id exceptions\n| Register | Id | Why |\n|---|---|---|\n| SpiConfig | 0x804C7A52 | no longer differs |",
     "is not needed by any printed id"),
    ("WrongFieldId", {}, ["| 0x5C | tMask | 32 | RW | 0 | 0x8000005C | 0 (0), 8 (0) |"],
     "## Printed ids\n| Id | Item |\n|---|---|\n| 0x0800005C | Mask:8 |", "is printed as 0x0800005c but has 0x0400005c"),
    ("WrongCount", {}, [A, "| 0x4 | tB | 32 | RW | 0 | | 0 (0) |"], "", "the table has 2 registers, not 1"),
    ("ReservedFieldName", {}, ["| 0x0 | tA | 32 | RW | 0 | | Value 7:0 (1) |"], "", "is taken by the register itself"),
    ("ClassLayoutsDiffer", TWO, ["| 0x0 | tShared First | 32 | RW | 0 | | 7:0 (1) |",
                                 "| 0x4 | tShared Second | 32 | RW | 0 | | 15:0 (2) |"], "", "two different layouts"),
    ("NarrowInstructionRegister", {"bus": "instruction"}, ["| 0x1 | tA | 8 | RW | 0 | | 7:0 (1) |"], "",
     "32- and 64-bit registers only"),
    ("WidePortRegister", {"bus": "port"}, ["| 0x8 | tA | 64 | RW | 0 | | 63:0 (4) |"], "",
     "reaches 32-bit registers only"),
    ("ResetTooWide", {}, ["| 0x0 | tA | 16 | RW | 0x10000 | | 15:0 (2) |"], "", "does not fit 16 bits"),
    ("FieldBeyondRegister", {}, ["| 0x0 | tA | 16 | RW | 0 | | 16 (0) |"], "", "lies beyond its 16 bits"),
    ("DuplicateId", TWO, [A, "| 0x0 | tB | 32 | RW | 0 | | 1 (0) |"], "", "is also the id of line"),
    ("FormatOnlyFirstView", {}, ["| 0x0 | tA | 32 | RW | 0 | | 0 (0) format-only |"], "",
     "format-only fields belong to a further view"),
    ("Misnamed", {"map": "tSomethingElse"}, [A], "", "must be named tSomethingElse.regmap"),
    ("UnshadowedInOrder", dict(TWO, **{"flush order": "A, B"}), [A, "| 0x4 | tB | 32 | RW direct | 0 | | 0 (0) |"], "",
     "names B, which has no shadow to pass"),
    ("ReadableOnWriter", {"bus": "writer", "writer": "tWriter", "writer header": "tWriter.h"}, [A], "",
     "cannot read A back"),
    ("UndeclaredEnumeration", {}, ["| 0x0 | tA | 32 | RW | 0 | | Mode 1:0 (1) enum tMode |"], "",
     "which the table does not declare"),
    ("BothWriteOnlyAndReadOnly", {}, ["| 0x0 | tA | 32 | RW | 0 | | 0 (0) write-only read-only |"], "",
     "is both write-only and read-only"),
    ("WrongIdCount", {"writable": "0", "fields": "1", "ids for set": "1"},
     ["| 0x0 | tA | 32 | R | 0 | | 0 (0) |"], "", "the table has 0 ids for set, not 1"),
    ("OneBitRuleOnAWideField", {}, ["| 0x0 | tA | 32 | RW | 0 | | 3:0 (1) lowest-bit |"], "",
     "only a one-bit field takes a one-bit rule"),
]


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as directory:
        for name, settings, rows, sections, reason in CASES:
            table = {**SETTINGS, "map": f"t{name}", **settings}
            text = "\n".join(f"{key}: {value}" for key, value in table.items())
            text += "\n\n" + HEADER + "\n" + "\n".join(rows) + "\n\n" + sections + "\n"
            path = os.path.join(directory, f"t{name}.regmap")
            with open(path, "w", encoding="utf-8") as handle:
                handle.write(text)
            run = subprocess.run([sys.executable, GENERATOR, "--expect-error", reason, path], capture_output=True,
                                 text=True)
            if run.returncode != 0:
                failures += 1
                print(f"{name}: {run.stdout}{run.stderr}", end="")
    print(f"{len(CASES) - failures} of {len(CASES)} faulty tables refused with their reason")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
