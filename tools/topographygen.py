#!/usr/bin/env python3
"""Generates the routing topography of the reference FPGA design.

The design's topography is known by its statistics, not by a netlist: how
many terminals of each kind there are, how many edges leave and enter them,
what they cost and what they write. This script holds the rules that turn
those statistics into one deterministic set of tables, checks every count
against the statistics, and writes the tables as C++ data:

    topographygen.py --out <file.cpp>

Rules (terminal ids are 1-based; "index" is id - 1):

Roles, by id range:
    1          the reset source: one default edge of cost 0 into every
               terminal with incoming edges, each its target's first
               incoming edge, value 0
    2..58      57 wide sources, 96 edges each: all 32 wide targets and
               64 of the 96 narrow and middle targets (endpoint only)
    59..72     14 middle feeders, 32 edges each, into middle targets only
    73..104    32 narrow targets (33 incoming edges), each with one edge
               into the wide target of the same rank
    105..168   64 middle targets (49 incoming edges)
    169..200   32 wide targets (82 incoming edges)
    201..243   43 unconnected terminals
    244..266   23 wide feeders, 32 edges each, into every wide target;
               terminal 253 is one of them and writes value 0

The statistics list outgoing counts of 0 x92, 1 x32, 32 x84, 96 x57 and
128 x1, which sum to 8,320 edges, while the edge count, the incoming
counts, the costs, the items and the index table all say 6,816. The tables
keep 6,816; with 1 x32, 96 x57 and 128 x1 kept, that forces 0 x139 and
32 x37.

Costs by the target's class: 68 into narrow, 98 into middle, 164 into wide
targets (1,024, 3,072 and 2,592 edges); reset edges cost 0. No edge
inverts.

Programming items: item i belongs to edge i. Word 0 is the route register
of the edge's target, shared by every edge into it: target k (in id order,
k = 0..127) uses 512 + k * 1055 // 127, so the registers run from 512 to
1567. Word 1 is the input the target's multiplexer selects: the edge's
place among the target's incoming edges (the reset edge is place 0 and
writes 0); edges into middle targets carry the enable bit 31 as well, and
terminal 253's edges write 0.

Exclusive groups: 23, referenced by a run of consecutive terminals from id
73 on, groups 1, 2 and 14..23 by three terminals, the others by two. Groups
1, 2 and 8..23 list one member, the last terminal of their run; groups 3..7
list none. A calculation into a group also seeks its members, and of two
routes of equal cost the earlier destination wins, so a member never
precedes a terminal of its group: the route asked for is the one kept.

Selectors: 1 for every target; the unconnected terminals carry the other
selectors (0 x14, 2 x6, 3 x6), the rest 1. Flags: wide sources endpoint
only; middle targets 105..136 none; unconnected 201..203 endpoint only and
keep on unprogram, 204..205 all three; every other terminal keep on
unprogram.
"""

import argparse
import collections
import pathlib
import sys

NAME = "topSerapinReferenceFpga"

ENDPOINT_ONLY = 1
EXCLUSIVE_USE = 2
KEEP_ON_UNPROGRAM = 4

RESET_SOURCE = 1
WIDE_SOURCES = range(2, 59)
MIDDLE_FEEDERS = range(59, 73)
NARROW_TARGETS = range(73, 105)
MIDDLE_TARGETS = range(105, 169)
WIDE_TARGETS = range(169, 201)
UNCONNECTED = range(201, 244)
WIDE_FEEDERS = range(244, 267)
SILENT_SOURCE = 253
TERMINAL_COUNT = 266

COST = {"narrow": 68, "middle": 98, "wide": 164}
ENABLE = 0x80000000


def target_class(terminal_id):
    if terminal_id in NARROW_TARGETS:
        return "narrow"
    if terminal_id in MIDDLE_TARGETS:
        return "middle"
    if terminal_id in WIDE_TARGETS:
        return "wide"
    return None


def pick(remaining, candidates, count):
    """The `count` candidates with the most demand left (lower id first on a
    tie): the greedy order that fills any feasible bipartite degree set."""
    chosen = sorted(candidates, key=lambda t: (-remaining[t], t))[:count]
    if len(chosen) != count or any(remaining[t] <= 0 for t in chosen):
        sys.exit("topographygen: demand cannot be met")
    for t in chosen:
        remaining[t] -= 1
    return sorted(chosen)


def build_edges():
    """Edges as (source id, target id, is reset), grouped by source."""
    targets = list(NARROW_TARGETS) + list(MIDDLE_TARGETS) + list(WIDE_TARGETS)
    outgoing = collections.defaultdict(list)
    outgoing[RESET_SOURCE] = [(t, True) for t in targets]
    # Middle feeders, 7 edges into each middle target: feeder r takes the
    # first or second half of the middle targets.
    middle = list(MIDDLE_TARGETS)
    for r, source in enumerate(MIDDLE_FEEDERS):
        half = middle[:32] if r % 2 == 0 else middle[32:]
        outgoing[source] = [(t, False) for t in half]
    # Wide sources: every wide target, then 64 of the narrow and middle
    # targets, until each narrow target has 32 inputs besides its reset
    # edge and each middle target 48.
    remaining = {t: 32 for t in NARROW_TARGETS}
    remaining.update({t: 48 - 7 for t in MIDDLE_TARGETS})
    shared = list(NARROW_TARGETS) + list(MIDDLE_TARGETS)
    for source in WIDE_SOURCES:
        chosen = pick(remaining, shared, 64)
        outgoing[source] = [(t, False) for t in sorted(chosen + list(WIDE_TARGETS))]
    if any(remaining.values()):
        sys.exit("topographygen: narrow or middle demand left over")
    for rank, source in enumerate(NARROW_TARGETS):
        outgoing[source] = [(WIDE_TARGETS[rank], False)]
    for source in WIDE_FEEDERS:
        outgoing[source] = [(t, False) for t in WIDE_TARGETS]
    edges = []
    for source in range(1, TERMINAL_COUNT + 1):
        edges.extend((source, target, reset) for target, reset in outgoing[source])
    return edges


def build_groups():
    """Group number of each referencing terminal, and each group's members."""
    sizes = [3 if g in (1, 2) or 14 <= g <= 23 else 2 for g in range(1, 24)]
    group_of = {}
    members = {}
    terminal = NARROW_TARGETS[0]
    for g, size in enumerate(sizes, start=1):
        run = list(range(terminal, terminal + size))
        terminal += size
        for t in run:
            group_of[t] = g
        members[g] = [] if 3 <= g <= 7 else [run[-1]]
    return group_of, members, sizes


def selector(terminal_id):
    if terminal_id in UNCONNECTED:
        k = terminal_id - UNCONNECTED[0]
        if k < 14:
            return 0
        if k < 20:
            return 2
        if k < 26:
            return 3
    return 1


def flags(terminal_id):
    if terminal_id in WIDE_SOURCES:
        return ENDPOINT_ONLY
    if 105 <= terminal_id <= 136:
        return 0
    if 201 <= terminal_id <= 203:
        return ENDPOINT_ONLY | KEEP_ON_UNPROGRAM
    if 204 <= terminal_id <= 205:
        return ENDPOINT_ONLY | EXCLUSIVE_USE | KEEP_ON_UNPROGRAM
    return KEEP_ON_UNPROGRAM


def route_register(terminal_id):
    targets = list(NARROW_TARGETS) + list(MIDDLE_TARGETS) + list(WIDE_TARGETS)
    k = targets.index(terminal_id)
    return 512 + k * 1055 // 127


def generate():
    edges = build_edges()
    group_of, members, sizes = build_groups()
    incoming = collections.defaultdict(list)
    for index, (_, target, _) in enumerate(edges):
        incoming[target].append(index)
    # Reset edges come first in the edge table, so each is its target's
    # first incoming edge.
    for target, indices in incoming.items():
        if not edges[indices[0]][2]:
            sys.exit("topographygen: a reset edge is not its target's first input")

    terminals = []
    first_out = 0
    first_in = 0
    out_counts = collections.Counter(source for source, _, _ in edges)
    for t in range(1, TERMINAL_COUNT + 1):
        terminals.append((t, selector(t), first_out, out_counts[t], first_in, len(incoming[t]), group_of.get(t, 0),
                          flags(t)))
        first_out += out_counts[t]
        first_in += len(incoming[t])

    edge_records = []
    items = []
    for index, (source, target, reset) in enumerate(edges):
        cls = target_class(target)
        place = incoming[target].index(index)
        if reset:
            cost, value = 0, 0
        else:
            cost = COST[cls]
            value = 0 if source == SILENT_SOURCE else place | (ENABLE if cls == "middle" else 0)
        edge_records.append((cost, target - 1, index, 1 if reset else 0))
        items.append((route_register(target), value))

    index_table = [i for t in range(1, TERMINAL_COUNT + 1) for i in incoming[t]]
    check(terminals, edge_records, items, index_table, members, sizes)
    return terminals, edge_records, items, index_table, members, sizes


def check(terminals, edges, items, index_table, members, sizes):
    def expect(what, got, want):
        if got != want:
            sys.exit(f"topographygen: {what}: {dict(sorted(got.items()))} != {want}")

    expect("selectors", collections.Counter(t[1] for t in terminals), {1: 240, 0: 14, 2: 6, 3: 6})
    expect("flags", collections.Counter(t[7] for t in terminals), {4: 172, 1: 57, 5: 3, 7: 2, 0: 32})
    expect("outgoing counts", collections.Counter(t[3] for t in terminals), {0: 139, 1: 32, 32: 37, 96: 57, 128: 1})
    expect("incoming counts", collections.Counter(t[5] for t in terminals), {0: 138, 33: 32, 49: 64, 82: 32})
    expect("costs", collections.Counter(e[0] for e in edges), {0: 128, 68: 1024, 98: 3072, 164: 2592})
    expect("enabled items", collections.Counter(bool(v & ENABLE) for _, v in items), {True: 3072, False: 3744})
    expect("group references", collections.Counter(t[6] for t in terminals if t[6]),
           {g: sizes[g - 1] for g in range(1, 24)})
    if len(edges) != 6816 or len(index_table) != 6816 or sorted(index_table) != list(range(6816)):
        sys.exit("topographygen: the edge and index tables disagree")
    if min(w for w, _ in items) != 512 or max(w for w, _ in items) != 1567:
        sys.exit("topographygen: route registers out of range")
    if any(terminals[e[1]][1] != 1 for e in edges):
        sys.exit("topographygen: an edge drives a terminal of another selector")
    for g, listed in members.items():
        for member in listed:
            if any(t[6] == g and t[0] > member for t in terminals):
                sys.exit(f"topographygen: group {g}'s member precedes a terminal of its group")


def emit(tables):
    terminals, edges, items, index_table, members, sizes = tables
    out = ["// Generated by tools/topographygen.py: the routing topography of the",
           "// reference FPGA design. Do not edit.", "#include \"driver/board/routing/TopSerapinReferenceFpgaTopography.h\"",
           "", "namespace topSerapinReferenceFpga {", "", "namespace {", "",
           f"constexpr char kName[] = \"{NAME}\";", ""]
    out.append("constexpr vlark::Terminal kTerminals[] = {")
    for t in terminals:
        out.append("    {%d, %d, %d, %d, %d, %d, %d, %d, {}}," % t)
    out.append("};")
    out.append("")
    out.append("constexpr vlark::Edge kEdges[] = {")
    for cost, target, item, reset in edges:
        out.append(f"    {{{cost}, {target}, {{}}, {item}, 1, 0, {reset}, {{}}}},")
    out.append("};")
    out.append("")
    out.append("constexpr vlark::ProgrammingItem kItems[] = {")
    for word0, word1 in items:
        out.append(f"    {{{word0}, 0x{word1:08X}}},")
    out.append("};")
    out.append("")
    for g, listed in members.items():
        if listed:
            out.append(f"constexpr uint32_t kGroup{g}Members[] = {{{', '.join(str(m - 1) for m in listed)}}};")
    out.append("")
    out.append("constexpr vlark::ExclusiveGroup kGroups[] = {")
    for g, listed in members.items():
        pointer = f"kGroup{g}Members" if listed else "nullptr"
        out.append(f"    {{{pointer}, {{}}, {len(listed)}, {sizes[g - 1]}}},")
    out.append("};")
    out.append("")
    out.append("constexpr uint32_t kIncomingEdges[] = {")
    for start in range(0, len(index_table), 16):
        out.append("    " + ", ".join(str(i) for i in index_table[start:start + 16]) + ",")
    out.append("};")
    out.append("")
    out.append("constexpr uint8_t kReserved[32] = {};")
    out.append("")
    out.append("}  // namespace")
    out.append("")
    out.append("const vlark::TopographyDescriptor kTopography = {kName, kTerminals, kEdges, kGroups, kItems, kReserved,")
    out.append(f"                                                  kIncomingEdges, {len(terminals)}, {len(edges)}, "
               f"{len(members)}, 1}};")
    out.append("")
    out.append("}  // namespace topSerapinReferenceFpga")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, type=pathlib.Path)
    args = parser.parse_args()
    text = emit(generate())
    args.out.parent.mkdir(parents=True, exist_ok=True)
    if not args.out.exists() or args.out.read_text() != text:
        args.out.write_text(text)


if __name__ == "__main__":
    main()
