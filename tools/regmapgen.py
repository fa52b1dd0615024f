#!/usr/bin/env python3
"""Turns a register-map table into the map's C++ class.

A table file (`<MapClass>.regmap`) reads like a datasheet's register table:
a few `key: value` settings, then one row per register with its offset,
width, access class, reset value, id and fields as inclusive bit ranges.
The generator checks what a table can get wrong (counts, overlapping
fields, field types, register and field ids) and writes `<MapClass>.h` and
`<MapClass>.cpp`: the nested register classes with typed field getters,
setters and writers, the record block, and the constant descriptor that the
generic engine (driver/regaccess/RegisterMapEngine) runs on.

The table format is described in driver/regmaps/README.md.
"""
import argparse
import binascii
import os
import re
import sys

sys.dont_write_bytecode = True  # the source tree stays as checked out
from regmaphash import place  # noqa: E402


class TableError(Exception):
    pass


SETTINGS = {
    "map": None,
    "namespace": None,
    "source": "",
    "bus": ("accessor", "instruction", "port", "writer"),
    "writer": "",
    "writer header": "",
    "keys": ("offset", "name"),
    "after reinitialize": ("clean", "dirty"),
    "one-bit values": ("non-zero", "lowest bit"),
    "field ids in flush and refresh": ("select the register", "follow the field"),
    "context": ("ignored", "element index"),
    "version": "",
    "oldest compatible version": "",
    "registers": None,
    "writable": None,
    "readable": None,
    "flush order": "",
    "refresh order": "",
    # Optional counts the datasheet states of the ids; checked when given.
    "fields": None,
    "ids": None,
    "ids for get": None,
    "ids for set": None,
    "ids for read": None,
    "ids for write": None,
}
REQUIRED = ("map", "namespace", "bus", "keys", "after reinitialize", "one-bit values", "context", "registers",
            "writable", "readable")
ACCEPTS = {  # (access, shadowed) -> operations, as RegisterMapDescriptor.h numbers them
    ("R", True): ("Get", "Read", "Refresh"),
    ("W", True): ("Get", "Set", "Write", "Flush"),
    ("RW", True): ("Get", "Set", "Read", "Write", "Flush", "Refresh"),
    ("R", False): ("Read",),
    ("W", False): ("Write", "Flush"),
    ("RW", False): ("Read", "Write", "Flush"),
}
CTYPE = {8: "uint8_t", 16: "uint16_t", 32: "uint32_t", 64: "uint64_t"}
FIELD_CTYPE = {0: "bool", 1: "uint8_t", 2: "uint16_t", 3: "uint32_t", 4: "uint64_t"}
NUMBER = r"(?:0x[0-9A-Fa-f]+|\d+)"


def number(text, what):
    text = text.strip()
    if not re.fullmatch(NUMBER, text):
        raise TableError(f"{what}: '{text}' is not a number")
    return int(text, 0)


def reverse6(bit):
    return sum(((bit >> i) & 1) << (5 - i) for i in range(6))


def field_type(width):
    return 0 if width == 1 else 1 if width <= 8 else 2 if width <= 16 else 3 if width <= 32 else 4


FIELD_FLAGS = ("strobe", "format-only", "write-only", "read-only", "kept", "flag", "lowest-bit", "non-zero")


class Field:
    def __init__(self, name, high, low, printed_type, flags=(), enum=None):
        self.name, self.high, self.low = name, high, low
        self.strobe = "strobe" in flags
        # Described by getRegisterFormat only: no field id reaches it.
        self.format_only = "format-only" in flags
        # Refused by read (write-only) or by set and write (read-only).
        self.write_only, self.read_only = "write-only" in flags, "read-only" in flags
        # A refresh keeps the shadow's bits of the field.
        self.kept = "kept" in flags
        # Reads 1 when any bit is set; any non-zero value stores 1 in the lowest bit.
        self.flag = "flag" in flags
        # The map's one-bit rule, overridden for this field.
        self.one_bit = "lowest bit" if "lowest-bit" in flags else "non-zero" if "non-zero" in flags else None
        self.enum = enum  # the writer's argument type, an enumeration of the table
        self.width = high - low + 1
        self.mask = ((1 << self.width) - 1) << low
        self.type = field_type(self.width)
        self.printed_type = printed_type

    def key(self):
        return (self.name, self.high, self.low, self.strobe, self.flag, self.enum, self.kept)

    def is_flag(self, table):
        rule = self.one_bit or table.settings["one-bit values"]
        return self.flag or (self.width == 1 and rule == "non-zero")


class View:
    def __init__(self, access, shadowed, printed_id, fields, row):
        self.access, self.shadowed, self.printed_id, self.fields, self.row = access, shadowed, printed_id, fields, row
        self.id = None


class Record:
    def __init__(self, cls, member, index, offset, width, reset, row):
        self.cls, self.member, self.index, self.offset, self.width, self.reset, self.row = (
            cls, member, index, offset, width, reset, row)
        self.views = []

    @property
    def name(self):
        return self.member if self.index is None else f"{self.member}[{self.index}]"

    def readable(self):
        return any("R" in v.access for v in self.views)

    def writable(self):
        return any("W" in v.access for v in self.views)


class Table:
    def __init__(self, path):
        self.path = path
        self.settings = {}
        self.records = []
        self.arrays = {}  # member -> (class, count)
        self.classes = {}  # class -> (width, access, shadowed, field keys)
        self.children = []
        self.exceptions = {}
        self.printed = []
        self.enums = {}  # name -> (namespace, values)


def split_row(line):
    cells = [c.strip() for c in line.strip().strip("|").split("|")]
    return cells


def add_enumeration(table, row, line):
    name, namespace = row.get("enumeration", ""), row.get("namespace", "")
    if not re.fullmatch(r"[A-Za-z_]\w*", name) or not re.fullmatch(r"(?:::)?[A-Za-z_]\w*(?:::[A-Za-z_]\w*)*", namespace):
        raise TableError(f"line {line}: an enumeration needs a name and a namespace")
    if name in table.enums:
        raise TableError(f"line {line}: enumeration {name} given twice")
    values = []
    for part in (p.strip() for p in row.get("values", "").split(",") if p.strip()):
        m = re.fullmatch(rf"([A-Za-z_]\w*)\s*=\s*({NUMBER})", part)
        if not m:
            raise TableError(f"line {line}: cannot read enumerator '{part}'")
        values.append((m.group(1), int(m.group(2), 0)))
    table.enums[name] = (namespace, values)


def parse_field(text, row):
    m = re.fullmatch(r"(?:([A-Za-z_]\w*)\s+)?(\d+)(?::(\d+))?(?:\s*\((\d)\))?((?:\s+[A-Za-z_][\w-]*)*)", text.strip())
    if not m:
        raise TableError(f"line {row}: cannot read field '{text}'")
    name, high, low, printed, words = m.groups()
    high = int(high)
    low = int(low) if low is not None else high
    if low > high:
        raise TableError(f"line {row}: field '{text}' has its bits the wrong way round")
    words, flags, enum = words.split(), [], None
    while words:
        word = words.pop(0)
        if word == "enum" and words:
            enum = words.pop(0)
        elif word in FIELD_FLAGS:
            flags.append(word)
        else:
            raise TableError(f"line {row}: unknown field flag '{word}'")
    field = Field(name, high, low, int(printed) if printed is not None else None, flags, enum)
    if field.write_only and field.read_only:
        raise TableError(f"line {row}: field '{text}' is both write-only and read-only")
    if field.one_bit and field.width != 1:
        raise TableError(f"line {row}: only a one-bit field takes a one-bit rule")
    if field.printed_type is not None and field.printed_type != field.type:
        raise TableError(f"line {row}: field {high}:{low} is {field.width} bits wide, type {field.type}, "
                         f"not {field.printed_type}")
    return field


def parse_offset(text, row):
    m = re.fullmatch(rf"({NUMBER})(?:\s*\+\s*({NUMBER})\s*[*x·]?\s*n\s*,\s*n\s*=\s*0\s*\.\.\s*(\d+))?", text)
    if not m:
        raise TableError(f"line {row}: cannot read offset '{text}'")
    first = int(m.group(1), 0)
    if m.group(2) is None:
        return first, 0, 1
    return first, int(m.group(2), 0), int(m.group(3)) + 1


def parse_register(text, row):
    m = re.fullmatch(r"(t[A-Za-z_]\w*)(?:\s+([A-Za-z_]\w*))?", text)
    if not m:
        raise TableError(f"line {row}: cannot read register '{text}'")
    cls, member = m.groups()
    return cls, member or cls[1:]


def parse_access(text, row):
    parts = text.split()
    if not parts or parts[0] not in ("R", "W", "RW") or parts[1:] not in ([], ["direct"]):
        raise TableError(f"line {row}: access '{text}' is not R, W or RW (optionally 'direct')")
    return parts[0], parts[1:] != ["direct"]


def parse_id(text, row, count):
    """A printed id, or `0x... + Sn` for the elements of an array row."""
    if not text:
        return [None] * count
    m = re.fullmatch(rf"({NUMBER})(?:\s*\+\s*({NUMBER})\s*[*x·]?\s*n)?", text)
    if not m:
        raise TableError(f"line {row}: cannot read id '{text}'")
    first, step = int(m.group(1), 0), int(m.group(2), 0) if m.group(2) else 0
    if count > 1 and not step:
        raise TableError(f"line {row}: an array row needs an id of the form 0x... + Sn")
    return [first + step * n for n in range(count)]


def read_table(path):
    table = Table(path)
    section, header = "settings", None
    with open(path, encoding="utf-8") as handle:
        lines = handle.read().splitlines()
    for number_, line in enumerate(lines, 1):
        text = line.strip()
        if not text or text.startswith("#") and not text.startswith("##"):
            continue
        if text.startswith("##"):
            section, header = text[2:].strip().lower(), None
            continue
        if text.startswith("|"):
            cells = split_row(text)
            if header is None:
                header = [c.lower() for c in cells]
                continue
            if all(re.fullmatch(r":?-+:?", c) for c in cells):
                continue
            if len(cells) != len(header):
                raise TableError(f"line {number_}: {len(cells)} cells where the header has {len(header)}")
            row = dict(zip(header, cells))
            if section in ("settings", "registers"):
                add_register_row(table, row, number_)
            elif section == "children":
                table.children.append((row["member"], row["map"], row["header"],
                                       number(row["offset"], f"line {number_}"),
                                       number(row["size"], f"line {number_}")))
            elif section == "id exceptions":
                table.exceptions[row["register"]] = number(row["id"], f"line {number_}")
            elif section == "printed ids":
                table.printed.append((number(row["id"], f"line {number_}"), row["item"], number_))
            elif section == "enumerations":
                add_enumeration(table, row, number_)
            else:
                raise TableError(f"line {number_}: rows in unknown section '{section}'")
            continue
        if section != "settings":
            continue  # prose between the tables of a section
        m = re.fullmatch(r"([a-z -]+):\s*(.*)", text)
        if not m:
            raise TableError(f"line {number_}: cannot read '{text}'")
        key, value = m.group(1).strip(), m.group(2).strip()
        if key not in SETTINGS:
            raise TableError(f"line {number_}: unknown setting '{key}'")
        allowed = SETTINGS[key]
        if isinstance(allowed, tuple) and value not in allowed:
            raise TableError(f"line {number_}: {key} must be one of {', '.join(allowed)}")
        table.settings[key] = value
    for key in REQUIRED:
        if key not in table.settings:
            raise TableError(f"missing setting '{key}'")
    return table


def column(row, *names):
    for name in names:
        for key, value in row.items():
            if key.startswith(name):
                return value
    return ""


def add_register_row(table, row, line):
    offset_text, register_text = column(row, "offset", "index"), column(row, "register")
    access, shadowed = parse_access(column(row, "access"), line)
    fields_text = column(row, "fields")
    if not offset_text and not register_text:  # a further view of the register above
        if not table.records:
            raise TableError(f"line {line}: a view row needs a register above it")
        last = table.records[-1]
        group = [r for r in table.records if r.member == last.member]
        ids = parse_id(column(row, "id"), line, len(group))
        fields = read_fields(table, fields_text, line)
        for record, printed in zip(group, ids):
            # A view reaches the same record, shadowed or not as the record is.
            record.views.append(View(access, record.views[0].shadowed, printed, fields, line))
        return
    first, step, count = parse_offset(offset_text, line)
    cls, member = parse_register(register_text, line)
    width = number(column(row, "width"), f"line {line}")
    if width not in CTYPE:
        raise TableError(f"line {line}: width {width} is not 8, 16, 32 or 64")
    reset = number(column(row, "reset") or "0", f"line {line}")
    if reset >> width:
        raise TableError(f"line {line}: reset value {reset:#x} does not fit {width} bits")
    shared = count > 1 and element_index(table)  # one id for every element
    ids = parse_id(column(row, "id"), line, 1 if shared else count) * (count if shared else 1)
    fields = read_fields(table, fields_text, line)
    if any(f.format_only for f in fields):
        raise TableError(f"line {line}: format-only fields belong to a further view; the register's own fields "
                         "need their ids")
    check_class(table, cls, width, access, shadowed, fields, line)
    if count > 1:
        if member in table.arrays:
            raise TableError(f"line {line}: array {member} given twice")
        table.arrays[member] = (cls, count)
    for n in range(count):
        record = Record(cls, member, n if count > 1 else None, first + step * n, width, reset, line)
        record.key_offset = first if shared else record.offset
        record.views.append(View(access, shadowed, ids[n], fields, line))
        table.records.append(record)


def read_fields(table, text, line):
    if text in ("", "-"):
        return []
    m = re.fullmatch(rf"as (?:at )?({NUMBER})", text)
    if m:
        offset = int(m.group(1), 0)
        for record in table.records:
            if record.offset == offset:
                return record.views[0].fields
        raise TableError(f"line {line}: no register at {offset:#x} to take the fields from")
    fields = [parse_field(part, line) for part in text.split(",")]
    for before, after in zip(fields, fields[1:]):
        if after.low <= before.high:
            if after.mask & before.mask:
                raise TableError(f"line {line}: fields {before.high}:{before.low} and {after.high}:{after.low} "
                                 "overlap")
            raise TableError(f"line {line}: fields must be listed in ascending bit order")
    return fields


def check_class(table, cls, width, access, shadowed, fields, line):
    shape = (width, access, shadowed, [f.key() for f in fields])
    known = table.classes.setdefault(cls, shape)
    if known != shape:
        raise TableError(f"line {line}: {cls} is used with two different layouts")


def crc24(name):
    return binascii.crc32(name.encode("ascii")) & 0xFFFFFF


def assign_ids(table):
    by_name = table.settings["keys"] == "name"
    used_exceptions = set()
    for record in table.records:
        if by_name and record.index is not None:
            raise TableError(f"line {record.row}: arrays need offset keys")
        key = crc24(record.name) if by_name else record.key_offset
        if key >> 24:
            raise TableError(f"line {record.row}: key {key:#x} does not fit 24 bits")
        for position, view in enumerate(record.views):
            if any(f.high >= record.width for f in view.fields):
                raise TableError(f"line {view.row}: a field of {record.name} lies beyond its {record.width} bits")
            read_only = view.access == "R" and (position > 0 or not by_name)
            expected = 0x80000000 | (0x40000000 if read_only else 0) | key
            view.id = expected
            exception = table.exceptions.get(record.name)
            if view.printed_id is not None and view.printed_id != expected:
                if exception != view.printed_id:
                    raise TableError(f"line {view.row}: {record.name} is printed with id {view.printed_id:#010x}, "
                                     f"but its key gives {expected:#010x} (list it under 'Id exceptions' if the "
                                     "printed id is right)")
                used_exceptions.add(record.name)
                view.id = view.printed_id
    for name in table.exceptions:
        if name not in used_exceptions:
            raise TableError(f"id exception for {name} is not needed by any printed id")


def field_id(view, field):
    read_only = view.access == "R" or bool(view.id & 0x40000000) or field.read_only
    return (reverse6(field.low) << 24) | (0x40000000 if read_only else 0) | (view.id & 0xFFFFFF)


def check_widths(table):
    allowed = {"instruction": ((32, 64), "instruction targets reach 32- and 64-bit registers only"),
               "port": ((32,), "the register port's accessor reaches 32-bit registers only"),
               "writer": ((32,), "a register writer reaches 32-bit registers only")}
    if table.settings["bus"] == "writer":
        if not table.settings.get("writer") or not table.settings.get("writer header"):
            raise TableError("a map on a register writer names its class ('writer') and header ('writer header')")
        for record in table.records:
            if record.readable():
                raise TableError(f"line {record.row}: a register writer cannot read {record.name} back")
    if table.settings["bus"] not in allowed:
        return
    widths, message = allowed[table.settings["bus"]]
    for record in table.records:
        if record.width not in widths:
            raise TableError(f"line {record.row}: {message}")


def element_index(table):
    return table.settings["context"] == "element index"


def build_views(table):
    """Views in record order; element-index arrays share one view per row."""
    views = []
    for position, record in enumerate(table.records):
        for view in record.views:
            if element_index(table) and record.index not in (None, 0):
                continue
            count = table.arrays[record.member][1] if element_index(table) and record.index == 0 else 1
            views.append((view, position, count))
    return views


def build_items(table, views):
    items, seen, first = [], {}, 0
    for number_, (view, _, _) in enumerate(views):
        entries = [(view.id, 0xFFFF)] + [(field_id(view, f), first + i) for i, f in enumerate(view.fields)
                                         if not f.format_only]
        first += len(view.fields)
        for item_id, field in entries:
            if item_id in seen:
                raise TableError(f"line {view.row}: id {item_id:#010x} is also the id of line {seen[item_id]}")
            seen[item_id] = view.row
            items.append((item_id, number_, field))
    return sorted(items)


OPERATIONS = ("Get", "Set", "Read", "Write", "Flush", "Refresh")


def item_accepts(view, field):
    """What an id accepts: its view's operations, less what its field refuses."""
    accepts = set(ACCEPTS[(view.access, view.shadowed)])
    if field is not None and field.write_only:
        accepts -= {"Read", "Refresh"}
    if field is not None and field.read_only:
        accepts -= {"Set", "Write", "Flush"}
    return [a for a in OPERATIONS if a in accepts]


def item_rows(table, views, wheres):
    """The hash slots: one entry per id, as tItemInfo."""
    entries = {}
    for number_, (view, position, count) in enumerate(views):
        record = table.records[position]
        direct = 0 if view.shadowed else 1
        whole = (1 << record.width) - 1
        entries[view.id] = (whole, 0, item_accepts(view, None), direct, position, number_, count)
        for field in view.fields:
            if not field.format_only:
                flags = direct | (2 if field.is_flag(table) else 0)
                entries[field_id(view, field)] = (field.mask, field.low, item_accepts(view, field), flags, position,
                                                  number_, count)
    placed = place(sorted(entries))
    if placed is None:
        raise TableError("found no collision-free placement of the ids")
    bucket_seed, bucket_bits, slot_bits, seeds, taken = placed
    rows = []
    for slot in range(1 << slot_bits):
        if slot not in taken:
            rows.append("    {0, arm::kNoItem, 0, 0, 0, 0, 0, 0, 0, 0, 0},")
            continue
        key = taken[slot]
        mask, low, accepts, flags, position, view, count = entries[key]
        bits = " | ".join(f"arm::kAccepts{a}" for a in accepts) or "0"
        plain = bits if count <= 1 else "0"
        rows.append(f"    {{{mask:#x}u, {key:#010x}u, {wheres[position]}, {position}, {view}, {count}, {low}, "
                    f"static_cast<uint8_t>({bits}), {table.records[position].width // 8}, {flags}, "
                    f"static_cast<uint8_t>({plain})}},")
    return rows, bucket_seed, bucket_bits, slot_bits, seeds


def member_index(table, name):
    for position, record in enumerate(table.records):
        if record.name == name:
            return position
    raise TableError(f"order names '{name}', which is not a register of the map")


def pass_order(table, setting, wanted):
    text = table.settings.get(setting, "")
    if not text:
        steps = [i for i, r in enumerate(table.records) if wanted(r) and r.views[0].shadowed]
        return steps + [0x8000 | i for i in range(len(table.children))]
    steps = []
    for name in (part.strip() for part in text.split(",")):
        if name.startswith("child "):
            members = [c[0] for c in table.children]
            if name[6:] not in members:
                raise TableError(f"{setting} names unknown child '{name[6:]}'")
            steps.append(0x8000 | members.index(name[6:]))
        else:
            position = member_index(table, name)
            if not table.records[position].views[0].shadowed:
                raise TableError(f"{setting} names {name}, which has no shadow to pass")
            steps.append(position)
    return steps


def check_counts(table):
    counts = (("registers", "registers", len(table.records)),
              ("writable", "writable registers", sum(r.writable() for r in table.records)),
              ("readable", "readable registers", sum(r.readable() for r in table.records)))
    for key, label, actual in counts:
        if int(table.settings[key], 0) != actual:
            raise TableError(f"the table has {actual} {label}, not {table.settings[key]}")


def check_id_counts(table, views):
    """The optional id counts: field ids, all ids, and the ids each by-id operation takes."""
    accepts = []
    for view, _, _ in views:
        accepts.append(item_accepts(view, None))
        accepts += [item_accepts(view, f) for f in view.fields if not f.format_only]
    counts = [("fields", "field ids", len(accepts) - len(views)), ("ids", "ids", len(accepts))]
    counts += [(f"ids for {op.lower()}", f"ids for {op.lower()}", sum(op in a for a in accepts))
               for op in ("Get", "Set", "Read", "Write")]
    for key, label, actual in counts:
        if key in table.settings and int(table.settings[key], 0) != actual:
            raise TableError(f"the table has {actual} {label}, not {table.settings[key]}")


def check_printed(table, items, views):
    by_id = {item_id: (views[view][0], field) for item_id, view, field in items}
    for printed, item, line in table.printed:
        m = re.fullmatch(r"([A-Za-z_]\w*(?:\[\d+\])?)(?::(\d+))?", item)
        if not m:
            raise TableError(f"line {line}: cannot read item '{item}'")
        record = table.records[member_index(table, m.group(1))]
        candidates = [v.id for v in record.views] if m.group(2) is None else [
            field_id(v, f) for v in record.views for f in v.fields if f.low == int(m.group(2))]
        if printed not in candidates:
            actual = ", ".join(f"{c:#010x}" for c in candidates) or "nothing"
            raise TableError(f"line {line}: {item} is printed as {printed:#010x} but has {actual}")
        if printed not in by_id:
            raise TableError(f"line {line}: {printed:#010x} is not an id of the map")


def record_mask(record, flag):
    masks = 0
    for view in record.views:
        for field in view.fields:
            if getattr(field, flag):
                masks |= field.mask
    return masks


def accessor_name(field):
    if field.name:
        return field.name
    return f"Bit{field.low}" if field.width == 1 else f"Bits{field.high}_{field.low}"


def enum_type(table, name):
    namespace = table.enums[name][0]
    return "::" + (namespace[2:] if namespace.startswith("::") else f"{table.settings['namespace']}::{namespace}") + \
        f"::{name}"


def emit_class(table, cls, width, access, shadowed, fields, out):
    ctype = CTYPE[width]
    bits = " | ".join(f"arm::k{k}" for k, flag in (("Readable", "R"), ("Writable", "W")) if flag in access)
    strobes = sum(f.mask for f in fields if f.strobe)
    kept = sum(f.mask for f in fields if f.kept)
    if shadowed:
        base = f"arm::tRegister<{ctype}, {bits}, {strobes:#x}u, {kept:#x}u>"
    else:
        base = f"arm::tDirectRegister<{ctype}, {bits}>"
    out.append(f"class {cls} : public {base} {{")
    out.append(" public:")
    for field in fields:
        name, mask, low = accessor_name(field), f"{field.mask:#x}u", field.low
        boolean = field.type == 0 or field.flag
        ftype = enum_type(table, field.enum) if field.enum else "bool" if boolean else FIELD_CTYPE[field.type]
        value = "static_cast<uint64_t>(value)" if field.enum else "value"

        def convert(raw):
            return f"{raw} != 0" if boolean and not field.enum else f"static_cast<{ftype}>({raw})"

        if shadowed:
            out.append(f"  {ftype} get{name}() const {{ return {convert(f'getField({mask}, {low})')}; }}")
            if "R" in access and boolean and not field.enum:
                # A flag reader: the register from the hardware, then the bit
                # (the shadow's bit when the read is refused or fails).
                out.append(f"  bool read{name}(tStatus& status) {{")
                out.append("    readRegister(status);")
                out.append(f"    return get{name}();")
                out.append("  }")
            if "W" in access and not field.read_only:  # status bits the hardware sets: no setter
                out.append(f"  {cls}& set{name}({ftype} value, tStatus& status) {{")
                out.append(f"    setField({mask}, {low}, {value}, status);")
                out.append("    return *this;")
                out.append("  }")
                out.append(f"  {cls}& write{name}({ftype} value, tStatus& status, bool force) {{")
                out.append(f"    writeField({mask}, {low}, {value}, status, force);")
                out.append("    return *this;")
                out.append("  }")
        else:
            if "R" in access:
                out.append(f"  {ftype} read{name}(tStatus& status) {{ "
                           f"return {convert(f'getField(readRegister(status), {mask}, {low})')}; }}")
            if "W" in access:
                out.append(f"  {cls}& write{name}({ftype} value, tStatus& status) {{")
                out.append(f"    writeField({mask}, {low}, {value}, status);")
                out.append("    return *this;")
                out.append("  }")
    out.append("};")
    out.append("")


def guard(table):
    return "VL9738K_GENERATED_" + re.sub(r"\W", "_", table.settings["map"]).upper() + "_H"


def layout_ns(table):
    return "n" + table.settings["map"][1:] + "Layout"


def bus_types(table):
    """Header, bus class, handle type and the noun of its getter and setter."""
    return {
        "accessor": ("driver/regaccess/IoAccessorBus.h", "arm::tIoAccessorBus", "vllym::kernel::IIoAccessor",
                     "Accessor"),
        "instruction": ("driver/regaccess/InstructionTargetBus.h", "arm::tInstructionTargetBus",
                        "arm::IRegisterInstructionTarget", "Target"),
        "port": ("driver/regport/PortAccessorBus.h", "vlregport::tPortAccessorBus", "vlregport::PCIRegisterAccessor",
                 "Accessor"),
        "writer": ("driver/regaccess/RegisterWriterBus.h",
                   f"arm::tRegisterWriterBus<{table.settings.get('writer')}>", table.settings.get("writer"),
                   "Accessor"),
    }[table.settings["bus"]]


def emit_header(table, origin):
    name, layout = table.settings["map"], layout_ns(table)
    include, bus_class, handle, noun = bus_types(table)
    out = [f"// Generated from {origin} by tools/regmapgen.py; edit the table, not this file.",
           f"#ifndef {guard(table)}", f"#define {guard(table)}", "", "#include <stdint.h>", "",
           '#include "driver/regaccess/ChildWindow.h"', f'#include "{include}"',
           '#include "driver/regaccess/RegisterRecord.h"']
    if table.settings["bus"] == "writer":
        out.append(f'#include "{table.settings["writer header"]}"')
    out += [f'#include "{child[2]}"' for child in table.children]
    for enum, (namespace, values) in table.enums.items():
        full = enum_type(table, enum)[2:].rsplit("::", 1)[0]
        out += ["", f"namespace {full} {{", f"enum {enum} : uint32_t {{"]
        out += [f"  {value} = {number_:#x}u," for value, number_ in values]
        out += ["};", f"}}  // namespace {full}"]
    out += ["", f"namespace {table.settings['namespace']} {{", f"namespace {layout} {{", "",
            "using tStatus = nVLAPALS100::tStatus;", ""]
    emitted = set()
    for record in table.records:
        if record.cls in emitted:
            continue
        emitted.add(record.cls)
        view = record.views[0]
        access = "".join(sorted({a for v in record.views for a in v.access}, reverse=True))
        fields = sorted({f.key(): f for v in record.views for f in v.fields}.values(), key=lambda f: f.low)
        emit_class(table, record.cls, record.width, access, view.shadowed, unique_names(record.cls, fields), out)
    out += ["struct tRecords {"]
    for record in table.records:
        if record.index is None:
            out.append(f"  {record.cls} {record.member};")
        elif record.index == 0:
            out.append(f"  {record.cls} {record.member}[{table.arrays[record.member][1]}];")
    out += ["};", "", f"}}  // namespace {layout}", "",
            f"class {name} final : public arm::tRegisterMapEngine, public {layout}::tRecords {{", " public:"]
    out += [f"  using {cls} = {layout}::{cls};" for cls in sorted(emitted)]
    out += ["", "  static const arm::tMapDescriptor kDescriptor;", "",
            f"  {name}({handle}* {noun.lower()}, uint32_t base, uint32_t windowStart, uint32_t windowSize);",
            f"  ~{name}() override;", "",
            f"  {handle}* get{noun}() const {{ return bus_.get{noun}(); }}",
            f"  void set{noun}({handle}* {noun.lower()}) {{ bus_.set{noun}({noun.lower()}); }}", ""]
    if table.children:
        out += [f"  {cls} {member};" for member, cls, _, _, _ in table.children] + [""]
    out += [" private:", f"  {bus_class} bus_;"]
    if table.children:
        out.append(f"  arm::tRegisterMapInterface* children_[{len(table.children)}];")
    out += ["};", "", f"}}  // namespace {table.settings['namespace']}", "", "#endif", ""]
    return "\n".join(out)


# Names the register base classes use for the whole register.
RESERVED_FIELD_NAMES = {"Value", "Register", "RegisterAddress", "Field"}


def unique_names(cls, fields):
    names = [accessor_name(f) for f in fields]
    if len(set(names)) != len(names):
        raise TableError(f"two fields of {cls} share a name: {', '.join(names)}")
    for name in names:
        if name in RESERVED_FIELD_NAMES:
            raise TableError(f"field name {name} of {cls} is taken by the register itself")
    return fields


def c_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def emit_source(table, origin, header_path):
    name, layout = table.settings["map"], layout_ns(table)
    _, _, handle, noun = bus_types(table)
    views = build_views(table)
    items = build_items(table, views)
    flush = pass_order(table, "flush order", Record.writable)
    refresh = pass_order(table, "refresh order", Record.readable)
    check_counts(table)
    check_id_counts(table, views)
    check_printed(table, items, views)
    out = [f"// Generated from {origin} by tools/regmapgen.py; edit the table, not this file.",
           f'#include "{header_path}"', "", "#include <stddef.h>", "", "#include <type_traits>", "",
           f"namespace {table.settings['namespace']} {{", "namespace {", "",
           f"using tRecords = {layout}::tRecords;",
           "static_assert(std::is_standard_layout_v<tRecords>, \"records are located by offsetof\");", ""]
    records, wheres = [], []
    for record in table.records:
        where = f"offsetof(tRecords, {record.member})"
        if record.index is not None:
            where += f" + {record.index} * sizeof({layout}::{record.cls})"
        wheres.append(where)
        kind = "kShadowed" if record.views[0].shadowed else "kDirect"
        records.append(f"    {{{c_string(record.name)}, {record.reset:#x}u, {record_mask(record, 'strobe'):#x}u, "
                       f"{record.offset:#x}u, {where}, {record.width // 8}, arm::tRecordKind::{kind}, "
                       f"{record_mask(record, 'kept'):#x}u}},")
    out += emit_array("arm::tRecordInfo", "kRecords", records)
    fields, view_rows = [], []
    for view, record, count in views:
        accepts = " | ".join(f"arm::kAccepts{a}" for a in ACCEPTS[(view.access, view.shadowed)])
        view_rows.append(f"    {{{view.id:#010x}u, {record}, {count}, {len(fields)}, {len(view.fields)}, "
                         f"static_cast<uint8_t>({accepts})}},")
        fields += [f"    {{{f.mask:#x}u, {f.low}, {f.type}}}," for f in view.fields]
    out += emit_array("arm::tFieldInfo", "kFields", fields)
    out += emit_array("arm::tViewInfo", "kViews", view_rows)
    slots, bucket_seed, bucket_bits, slot_bits, seeds = item_rows(table, views, wheres)
    out += emit_array("arm::tItemInfo", "kItems", slots)
    out += emit_array("uint32_t", "kBucketSeeds", [f"    {s:#x}u," for s in seeds])
    out += emit_array("uint16_t", "kFlushOrder", [f"    {s:#x}," for s in flush])
    out += emit_array("uint16_t", "kRefreshOrder", [f"    {s:#x}," for s in refresh])
    settings = table.settings
    out += ["}  // namespace", "", f"const arm::tMapDescriptor {name}::kDescriptor = {{",
            f"    {c_string(name)},",
            f"    {{{'true' if settings['after reinitialize'] == 'dirty' else 'false'}, "
            f"arm::tOneBitRule::{'kNonZero' if settings['one-bit values'] == 'non-zero' else 'kLowestBit'}, "
            f"arm::tContextUse::{'kElementIndex' if element_index(table) else 'kIgnored'}, "
            f"{c_string(settings.get('version', ''))}, {c_string(settings.get('oldest compatible version', ''))}, "
            f"{c_string(settings.get('source') or name)}, arm::tFieldIdRule::"
            f"{'kFollowsField' if settings.get('field ids in flush and refresh') == 'follow the field' else 'kSelectsRegister'}}},",
            f"    {ref('kRecords', records)}, {len(records)},", f"    {ref('kViews', view_rows)}, {len(view_rows)},",
            f"    {ref('kFields', fields)}, {len(fields)},",
            f"    kItems, {len(slots)}, kBucketSeeds, "
            f"{bucket_seed:#x}u, {64 - bucket_bits},",
            f"    {ref('kFlushOrder', flush)}, {len(flush)},", f"    {ref('kRefreshOrder', refresh)}, {len(refresh)},",
            f"    {len(table.children)},", "};", ""]
    children = "children_" if table.children else "nullptr"
    out.append(f"{name}::{name}({handle}* {noun.lower()}, uint32_t base, uint32_t windowStart, uint32_t windowSize)")
    out.append(f"    : arm::tRegisterMapEngine(kDescriptor, static_cast<tRecords*>(this), &bus_, base, windowStart, "
               f"windowSize, {children}),")
    for member, _, _, offset, size in table.children:
        window = f"arm::childWindow(base, windowStart, windowSize, {offset:#x}u, {size:#x}u)"
        out.append(f"      {member}({noun.lower()}, {window}.base, {window}.windowStart, {window}.windowSize),")
    out.append(f"      bus_({noun.lower()}) {{")
    for number_, child in enumerate(table.children):
        out.append(f"  children_[{number_}] = &{child[0]};")
    out += ["  reinitialize();", "}", "", f"{name}::~{name}() {{}}", "",
            f"}}  // namespace {table.settings['namespace']}", ""]
    return "\n".join(out)


def emit_array(ctype, name, rows):
    if not rows:
        return []
    return [f"constexpr {ctype} {name}[] = {{"] + rows + ["};"]


def ref(name, rows):
    return name if rows else "nullptr"


def generate(path, out_dir, source_root):
    table = read_table(path)
    stem = os.path.splitext(os.path.basename(path))[0]
    if stem != table.settings["map"]:
        raise TableError(f"the table of {table.settings['map']} must be named {table.settings['map']}.regmap")
    check_widths(table)
    for record in table.records:
        for view in record.views:
            for field in view.fields:
                if field.enum and field.enum not in table.enums:
                    raise TableError(f"line {view.row}: field {accessor_name(field)} names enumeration {field.enum}, "
                                     "which the table does not declare")
    assign_ids(table)
    origin = os.path.relpath(path, source_root)
    relative_dir = os.path.dirname(origin)
    header_path = os.path.join(relative_dir, stem + ".h")
    header = emit_header(table, origin)
    source = emit_source(table, origin, header_path)
    if out_dir is None:
        return
    target = os.path.join(out_dir, relative_dir)
    os.makedirs(target, exist_ok=True)
    for suffix, text in ((".h", header), (".cpp", source)):
        with open(os.path.join(target, stem + suffix), "w", encoding="utf-8") as handle:
            handle.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tables", nargs="+")
    parser.add_argument("--out-dir", help="root of the generated tree (omit to check only)")
    parser.add_argument("--source-root", default=os.getcwd())
    parser.add_argument("--expect-error", help="succeed only if the table is refused with this text")
    args = parser.parse_args()
    for path in args.tables:
        try:
            generate(path, args.out_dir, args.source_root)
        except TableError as error:
            if args.expect_error and args.expect_error in str(error):
                print(f"{path}: refused as expected: {error}")
                continue
            print(f"{path}: {error}", file=sys.stderr)
            return 1
        if args.expect_error:
            print(f"{path}: accepted, but expected: {args.expect_error}", file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
