#!/usr/bin/env python3
"""Writes the request fuzzers' seed corpus: one input per published code
(fuzz/seeds/main/<code>, fuzz/seeds/fpga/<code>), laid out as FuzzHarness.h
reads it: an 11-byte header, the request's input block, then a tail of bytes
that the block's marked address fields point at. Each row names the block's
fields that differ from zero, so that the request passes its first checks
(a flash identifier of the flash store, a sensor that exists, a register map
by name, a buffer of the size it claims) and reaches its handler's work.
Sequences of further main-interface inputs (fuzz/seeds/main/<name>-<step>)
reach the work one input per code does not: routes held and given up,
recorded settings, each kind of settings message.

Run from anywhere: python3 fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
# The upper half of an 8-byte field that the harness points at the tail
# byte its lower half names (FuzzHarness.h's kTailMark).
TAIL_MARK = 0x5EEDB10C


def tail(offset=0):
    return ("tail", offset)


# Field kinds: u8, u16, u32, u64 (little-endian); tail(n) is a u64 address
# field pointing n bytes into the tail.
FORMATS = {"u8": "<B", "u16": "<H", "u32": "<I", "u64": "<Q"}


def flash_id(at):
    # The flash store's identifier record: its second byte is 1.
    return [(at + 9, "u8", 1)]


def name(text):
    return text.encode() + b"\0"


# A register map that every board registers, by name, with a register to
# read (the lock detector's status) and one to write (a trigger mask, whose
# reset value the seeds write back).
MAP = name("BoardControl")
READABLE = 0x808076F4
WRITABLE = 0x8004CBF7
MAP_FIELDS = [(0, "u64", tail()), (8, "u64", len(MAP) - 1)]
READ = MAP_FIELDS + [(16, "u32", READABLE)]
WRITE = MAP_FIELDS + [(16, "u32", WRITABLE)]
# A settings deploy: the reference clock's record (onboard clock) and the
# cross switch's (mode 4).
REF_CLOCK = struct.pack("<III", 1, 0, 0) + bytes([0, 0, 0x8E, 0x0A, 2, 0, 20, 0, 40, 40, 0, 0, 0, 0, 5, 0, 1, 0])
DEPLOY = bytes(4) + REF_CLOCK + struct.pack("<III", 3, 0, 0) + bytes([0, 4])
# A partition id that neither the board's preloaded partitions nor the
# scenario runner's flash family use, written to memory only (flags 0): the
# read finds what an earlier write left.
PARTITION = 200
# A list-mode context: the path of the acquisition timing engine.
LIST_PATH = struct.pack("<HHHH", 2401, 0, 2404, 0)

# A VISA block transfer of one 4-byte word of BAR 0: the bridge's
# random-access pointer, writable and used by nothing else, so that a seeded
# write disturbs no stream (the words at 0 describe the DMA channels).
VISA_WORD = [(8, "u64", 0x300), (16, "u32", 4), (20, "u8", 1), (24, "u64", tail()), (32, "u64", 1)]

# code, fields, tail bytes.
MAIN = [
    (0x00204200, flash_id(0), b""),
    (0x00204201, [(0, "u32", 1)], b""),
    (0x00204202, [(0, "u32", 16), (4, "u32", 4)], b""),
    (0xC0204203, flash_id(0), b""),
    (0xC0204204, [(0, "u64", tail()), (8, "u32", 256)] + flash_id(16), bytes(256)),
    (0xC0204205, [(0, "u32", PARTITION), (8, "u64", tail()), (16, "u32", 64)] + flash_id(24), bytes(64)),
    (0xC0204206, [(0, "u32", PARTITION), (8, "u64", tail()), (16, "u32", 16)] + flash_id(24),
     bytes(range(16))),
    (0xC0204207, [(0, "u32", PARTITION)] + flash_id(8), b""),
    (0x00204208, [], b""),
    (0x00204209, [(0, "u32", 1)], b""),
    (0x0020420A, [(0, "u64", tail()), (8, "u32", 4)], bytes(16)),
    (0x0020420B, [], b""),
    (0x0020420C, [], b""),  # the reset: its block carries nothing
    (0x0020420D, [(0, "u64", tail()), (8, "u32", 64)], bytes(64)),
    (0x0020420E, [(0, "u64", tail()), (8, "u32", 64)], bytes(64)),
    (0x0020420F, flash_id(0), b""),
    (0x00204210, [(0, "u64", tail()), (8, "u32", 256)] + flash_id(16), bytes(256)),
    # The two that rewrite the board's identity stay zero: the board model's
    # own identity and revisions are what every later bring-up checks.
    (0x00204211, [], b""),
    (0x00204212, flash_id(8), b""),
    (0x00204213, [], b""),
    (0x00204214, flash_id(0), b""),
    (0x00204215, [], b""),
    (0x00204216, [], b""),
    (0x0020421A, [(4, "u32", 1)], b""),
    (0x0020421B, [], b""),
    (0x0020421C, flash_id(0), b""),
    (0x00205200, [], b""),
    (0x00205201, [], b""),
    (0x00205202, [], b""),
    (0x00205203, [(0, "u64", tail()), (8, "u32", 2)], LIST_PATH),
    (0x00205204, [], b""),
    (0x00205205, [], b""),
    (0x00205206, [(0, "u64", 1)], b""),
    (0x00205207, [], b""),
    (0x00205208, [], b""),
    (0x00205209, [(0, "u64", tail()), (8, "u32", 16)], bytes(64)),
    (0x0020520A, [(0, "u64", 1), (8, "u64", 1)], b""),
    (0x0020520B, [], b""),
    (0x0020520C, [], b""),
    (0x0020520D, [], b""),
    (0x0020520E, [], b""),
    (0x0020520F, [], b""),
    (0x00205210, [(0, "u8", 1)], b""),
    (0x00205211, [(0, "u8", 1)], b""),
    (0x00205212, [(0, "u8", 1)], b""),
    # Policy ids follow registration: 1 reference clock, 2 cross switch, 3 LO0 frequency.
    (0x00205500, [(0, "u32", 1), (8, "u64", tail()), (16, "u32", 64)], bytes(64)),
    (0x00205501, [(0, "u32", 1), (8, "u64", tail()), (16, "u32", 64)], bytes(64)),
    (0x00205502, [(0, "u64", tail()), (8, "u32", 2), (12, "u32", 1)], b"s0"),
    (0x00205503, [(0, "u64", tail()), (8, "u32", 2), (12, "u32", 1)], b"s0"),
    (0x00205504, [(0, "u32", 1)], b""),
    (0x00205505, [(0, "u32", 1), (4, "u32", 4)], b""),
    (0x00205506, [(0, "u32", 1), (4, "u32", 4), (8, "u64", tail())], bytes(16)),
    (0x00205507, [(0, "u32", 2), (8, "u64", tail()), (16, "u64", tail(8))], struct.pack("<II", 1, 2) + bytes(8)),
    (0x00205508, [(0, "u32", 2), (8, "u64", tail())], struct.pack("<II", 1, 2)),
    (0x00205509, [(0, "u32", 1), (4, "u32", 2), (8, "u64", tail())], struct.pack("<II", 1, 2)),
    (0x0020550A, [(0, "u64", tail()), (8, "u32", 2)], b"s0"),
    (0x0020550B, [(0, "u32", 2), (8, "u64", tail())], struct.pack("<II", 1, 2)),
    (0x0020550C, [], b""),
    (0x0020550D, [], b""),
    (0x0020550E, [(0, "u32", 1)], b""),
    (0x0020550F, [(0, "u64", tail()), (8, "u32", 2), (12, "u32", 1)], b"s0"),
    (0x00205510, [(0, "u8", 1)], b""),
    (0x00205511, [], b""),
    (0x00208000, [], b""),
    (0x00208001, [(8, "u64", tail()), (16, "u32", 1), (24, "u64", tail(8)), (32, "u32", 1), (40, "u64", tail(16)),
                  (48, "u32", 4)], struct.pack("<II", 1, 2) + bytes(24)),
    # A session's route ids come from its own calculations: the requests on
    # one route name route 0, which none has, so that a seed gives up or
    # holds nothing that the session's other requests account for.
    (0x00208002, [], b""),
    (0x00208003, [(8, "u64", tail()), (16, "u32", 4)], bytes(16)),
    (0x00208004, [], b""),
    (0x00208005, [], b""),
    (0x00208006, [], b""),
    (0x00208007, [(8, "u64", tail()), (16, "u32", 9)], bytes(64)),
    (0x00208008, [(0, "u64", tail()), (8, "u32", 64)], bytes(64)),
    (0x0020800A, [], b""),
    (0x0020800B, [(8, "u32", 1)], b""),
    (0x00208100, WRITE, MAP),
    (0x00208101, READ, MAP),
    (0x00208102, WRITE, MAP),
    (0x00208103, READ, MAP),
    (0x00208104, [], b""),
    (0x00208105, [(0, "u64", tail())], bytes(256)),
    (0x00208108, MAP_FIELDS, MAP),
    (0x00208109, WRITE, MAP),
    (0x0020810A, READ, MAP),
    (0x0020810B, WRITE, MAP),
    (0x0020810C, READ, MAP),
    (0x0020810D, WRITE, MAP),
    (0x0020810E, READ, MAP),
    (0x0020810F, WRITE, MAP),
    (0x00208110, READ, MAP),
    (0x00208111, READ + [(20, "u32", 4), (24, "u64", tail(32)), (32, "u64", tail(64))], MAP + bytes(96 - len(MAP))),
    (0x00208112, [], b""),
    (0x00208113, [(0, "u64", tail())], bytes(256)),
    (0x80208500, [], b""),
    (0x80208501, [(0, "u8", 0)], b""),
    (0x80208502, VISA_WORD, bytes(16)),
    (0x40208503, VISA_WORD, bytes(16)),
    (0x80208504, [], b""),
    (0xC0205B00, [(0, "u64", tail()), (8, "u32", len(DEPLOY))], DEPLOY),
    (0xC0205B01, [(0, "u64", tail()), (8, "u32", 1), (12, "u32", 1)], struct.pack("<I", 3)),
    (0xC0200001, [], b""),
]

# The FPGA-session interface, in its fuzzer's order of codes (its byte 0).
FPGA = [
    (0x80208300, 8, [(0, "u32", 1)], b""),
    (0x40208301, 12, [(0, "u32", 1), (4, "u32", 7)], b""),
    (0x80208302, 4, [], b""),
    (0x4020830A, 72, [(0, "u64", tail()), (8, "u32", 64)], bytes(64)),
    (0x4020830C, 16, [(0, "u64", tail()), (8, "u32", 64)], bytes(64)),
    (0x4020830D, 4, [], b""),
    (0x4020830E, 4, [], b""),
    (0x4020830F, 4, [], b""),
    (0x40208310, 48, [(0, "u32", 1), (4, "u32", 1)], b""),
    (0x80208314, 32, [(8, "u64", tail()), (16, "u32", 16), (20, "u32", 4), (24, "u32", 1)], bytes(16)),
    (0x40208315, 32, [(8, "u64", tail()), (16, "u32", 16), (20, "u32", 4), (24, "u32", 1)], bytes(16)),
    (0x80208316, 8, [], b""),
    (0x40208317, 12, [], b""),
    (0x00208318, 4, [], b""),
    (0x4020831E, 4, [], b""),
    (0x4020831F, 4, [], b""),
    (0x40208320, 12, [(0, "u32", 1), (4, "u32", 1)], b""),
    (0x40208328, 16, [(0, "u64", 1)], b""),
    (0x40208329, 16, [(0, "u64", 1)], b""),
    (0x4020832A, 16, [(0, "u64", 1)], b""),
    (0x4020832B, 32, [(0, "u64", 1), (16, "u64", 16), (24, "u32", 1)], b""),
    (0x4020832C, 32, [(0, "u64", 1), (16, "u64", 16)], b""),
    (0x4020832D, 16, [(0, "u64", 1)], b""),
    (0x4020832E, 56, [(0, "u64", 1), (16, "u64", tail()), (24, "u64", 64)], bytes(64)),
    (0x40208332, 16, [(0, "u64", tail()), (8, "u32", 64)], bytes(64)),
    (0x40208333, 8, [(0, "u32", 1)], b""),
    (0x80208334, 4, [], b""),
    (0x40208335, 4, [], b""),
    (0x8020833C, 8, [], b""),
    (0x4020830B, 16, [(0, "u64", 1)], b""),
]


# Further inputs for codes whose published seed reaches only part of their
# handler's work. The replay runs the corpus in name order in one session,
# after the published seeds of lower codes, so that an input sent as a step
# of a sequence is named after the sequence and its step's number.
CONFIG = 6  # the VISA address space of the board's configuration header
# The LO1 frequency (resource 5, policy 4) as the third of the settings
# family's values, with every clock override the record carries turned on
# (the DAC's DLL controls, coarse, fine, phase and bandwidth, then the
# clock tuning words), each override's value zero.
LO1_OVERRIDES = (struct.pack("<I", 5) + bytes(72) + struct.pack("<QQQHH", 0xBBBBBBBBBBBB, 15, 11, 0, 1023)
                 + bytes([3, 0, 0, 1, 0, 2, 0, 1])
                 + bytes([1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]))
RECORDED = bytes(4) + REF_CLOCK + LO1_OVERRIDES


def message(count, kind):
    # A settings message to `count` ids at the tail's start.
    return [(0, "u64", tail()), (8, "u32", count), (12, "u32", kind)]


def visa(width, count):
    return [(0, "u8", CONFIG), (16, "u32", width), (20, "u8", 1), (24, "u64", tail()), (32, "u64", count)]


# Terminals of the board's trigger topography: sources and destinations of
# the scenario runner's routing family.
TERMINALS = [1, 2, 3, 59, 73, 105, 106, 137, 169, 170, 244, 253]


def calculate(seeds, destinations):
    # A route calculation from `seeds` (terminal, cost, inverted) to the
    # destinations, with room for four results.
    tail_bytes = b"".join(struct.pack("<IIB3x", *seed) for seed in seeds)
    at = len(tail_bytes)
    tail_bytes += struct.pack("<%dI" % len(destinations), *destinations)
    results = len(tail_bytes)
    fields = [(8, "u64", tail()), (16, "u32", len(seeds)), (24, "u64", tail(at)), (32, "u32", len(destinations)),
              (40, "u64", tail(results)), (48, "u32", 4)]
    return (0x00208001, fields, tail_bytes + bytes(80))


# name: steps (code, fields, tail bytes), one input each.
SEQUENCES = {
    # Routes from one source taken both plain and inverted, so that the
    # cheaper of each pair is kept, and from a terminal the topography does
    # not have; then the session's first routes reserved, programmed, their
    # paths read, unprogrammed, unreserved and destroyed.
    "00208001-routes": [calculate([(1, 0, 0), (1, 5, 1)], [73, 105]), calculate([(9999, 0, 0)], [73])]
    + [(0x00208003, [(0, "u32", route), (8, "u64", tail()), (16, "u32", 4)], bytes(64)) for route in (1, 2)]
    + [(0x00208004, [(0, "u32", route)], b"") for route in (1, 2)]
    + [(0x00208007, [(0, "u32", route), (8, "u64", tail()), (16, "u32", 8)], bytes(64)) for route in (1, 2)]
    + [(code, [(0, "u32", route)], b"") for code in (0x00208006, 0x00208005, 0x00208002) for route in (1, 2)],
    # Each terminal put back to its reset input (by both modes), and the
    # reset terminal the topography names for it.
    "0020800a-terminals": [(0x0020800A, [(0, "u32", t), (4, "u32", mode)], b"") for t in TERMINALS for mode in (0, 1)]
    + [(0x0020800B, [(8, "u32", t), (12, "u32", mode)], b"") for t in TERMINALS for mode in (0, 1)],
    # Configuration-space items of each width the space takes, between a
    # VISA user's start and end: the header's identity words, read-only,
    # so that a write changes nothing.
    "80208500-config": [
        (0x80208500, [], b""),
        (0x80208502, visa(1, 4), bytes(16)),
        (0x80208502, visa(2, 2), bytes(16)),
        (0x40208503, visa(2, 1), bytes(16)),
        (0x40208503, visa(4, 1), bytes(16)),
        (0x80208504, [], b""),
    ],
    # The reference clock and the LO1 frequency with its overrides, recorded
    # into a list of the published seeds' list-mode context (the acquisition
    # engine's, which records LO1) once their list is stopped and aborted;
    # the recording stopped and its list aborted, then the same committed
    # directly (the recording's writes are ahead of the hardware, so the
    # direct commit writes them again) and released.
    "c0205b00-recorded": [
        (0x00205207, [], b""),
        (0x00205202, [], b""),
        (0xC0205B00, [(0, "u64", tail()), (8, "u32", len(RECORDED))], RECORDED),
        (0x00205507, [(0, "u32", 2), (8, "u64", tail()), (16, "u64", tail(8))], struct.pack("<II", 1, 4) + bytes(16)),
        (0x00205205, [], b""),
        (0xC0205B01, message(2, 1), struct.pack("<II", 1, 5)),
        (0x00205206, [(0, "u64", 1)], b""),
        (0x00205207, [], b""),
        (0x00205202, [], b""),
        (0xC0205B01, message(2, 1), struct.pack("<II", 1, 5)),
        (0x00205508, [(0, "u32", 2), (8, "u64", tail())], struct.pack("<II", 1, 4)),
    ],
    # The other messages, each to every id it takes: power reductions, the
    # reference path's selection, defaults, a settling wait of at most 1 ms
    # and the lock query; then a type no message has.
    "c0205b01-messages": [
        (0xC0205B01, message(2, 6), struct.pack("<II", 6, 7)),
        (0xC0205B01, message(2, 7), struct.pack("<II", 1, 2)),
        (0xC0205B01, message(7, 8), struct.pack("<7I", 1, 2, 3, 4, 5, 6, 7)),
        (0xC0205B01, message(2, 11) + [(16, "u64", tail(8)), (24, "u32", 8)], struct.pack("<IIII", 4, 5, 1, 0)),
        (0xC0205B01, message(2, 12) + [(32, "u64", tail(8)), (40, "u32", 64)], struct.pack("<II", 1, 2) + bytes(64)),
        (0xC0205B01, message(1, 99), struct.pack("<I", 3)),
    ]
    # Each kind again with an id no resource has, and the lock query with no
    # room for its reply.
    + [(0xC0205B01, message(1, kind) + [(32, "u64", tail(4)), (40, "u32", 64)], struct.pack("<I", 99) + bytes(64))
       for kind in (1, 6, 7, 8, 11, 12)]
    + [(0xC0205B01, message(1, 12), struct.pack("<I", 1))],
}


def block(size, fields):
    data = bytearray(size)
    for at, kind, value in fields:
        if isinstance(value, tuple):
            kind, value = "u64", (TAIL_MARK << 32) | value[1]
        struct.pack_into(FORMATS[kind], data, at, value)
    return bytes(data)


def published_sizes():
    # The main interface's input sizes, from the table both fuzzers and the
    # sweeps share.
    sizes = {}
    path = os.path.join(HERE, "..", "tests", "module", "PublishedRequests.h")
    with open(path) as source:
        for line in source:
            line = line.strip()
            if line.startswith("{0x") and '"' in line:
                parts = [part.strip() for part in line.strip("{},").split(",")]
                sizes[int(parts[0], 16)] = int(parts[1])
    return sizes


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def main():
    sizes = published_sizes()
    folder = os.path.join(HERE, "seeds", "main")
    for index, (code, fields, extra) in enumerate(MAIN):
        header = bytes([index, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0])
        write(folder, "%08x" % code, header + block(sizes[code], fields) + extra)
    index_of = {code: index for index, (code, _, _) in enumerate(MAIN)}
    for name, steps in SEQUENCES.items():
        for step, (code, fields, extra) in enumerate(steps):
            header = bytes([index_of[code], 0, 0, 0, 0, 0, 1, 0, 0, 0, 0])
            write(folder, "%s-%02d" % (name, step), header + block(sizes[code], fields) + extra)
    folder = os.path.join(HERE, "seeds", "fpga")
    for index, (code, size, fields, extra) in enumerate(FPGA):
        header = bytes([index]) + struct.pack("<I", code) + bytes([0, 1, 0, 0, 0, 0])
        write(folder, "%08X" % code, header + block(size, fields) + extra)


if __name__ == "__main__":
    main()
