#!/usr/bin/env python3
"""DatebookDB.pdb from the public layout only: `make <blocks.txt> <out.pdb>` (blocks as in
sample/demo-datebook.txt, plus category, flags, status deleted and uid); `dump <file.pdb> [--ids|
--no-category]` checks offsets, unique IDs, seed and record order, then prints the appointments
as such blocks, or with --ids each record's ID, attributes and bytes."""
import datetime, struct, sys

DAYS = "Sun Mon Tue Wed Thu Fri Sat".split()
KINDS = ["none", "daily", "weekly", "monthly by day", "monthly by date", "yearly"]
UNITS = ["minutes", "hours", "days"]
CATEGORIES = ["Unfiled", "Business", "Personal"]
KEYS = "text date time private alarm note repeat every until on week except category".split()


def pack(day):
    y, m, d = map(int, day.split("-"))
    return (y - 1904) << 9 | m << 5 | d


def unpack(v):
    return "%04d-%02d-%02d" % ((v >> 9) + 1904, v >> 5 & 15, v & 31)


def make(source, out):
    chunks = open(source, encoding="utf-8").read().split("\n\n")
    blocks = [[line.partition(": ")[::2] for line in c.split("\n") if line and line[0] != "#"] for c in chunks]
    records = []
    for pairs in filter(None, blocks):
        b, notes = dict(pairs), [v for k, v in pairs if k == "note"]
        times = [t.split(":") for t in b["time"].split("-")] if "time" in b else [[255, 255]] * 2
        flags, parts = 0x0400 | int(b.get("flags", "0"), 0), b""
        if "alarm" in b:
            n, unit = b["alarm"].split()
            flags, parts = flags | 0x4000, parts + struct.pack(">bB", int(n), UNITS.index(unit))
        if "repeat" in b:
            kind, on = KINDS.index(b["repeat"]), 0
            if kind == 2:
                on = sum(1 << DAYS.index(d) for d in b["on"].split())
            if kind == 3:
                weekday = (datetime.date.fromisoformat(b["date"]).weekday() + 1) % 7
                on = (4 if b["week"] == "last" else int(b["week"]) - 1) * 7 + weekday
            end = pack(b["until"]) if "until" in b else 0xFFFF
            flags, parts = flags | 0x2000, parts + struct.pack(">BBHBBBB", kind, 0, end, int(b.get("every", 1)), on, 0, 0)
        if "except" in b:
            days = b["except"].split()
            flags, parts = flags | 0x0800, parts + struct.pack(">H%dH" % len(days), len(days), *map(pack, days))
        parts += b["text"].encode("cp1252") + b"\0"
        if notes:
            flags, parts = flags | 0x1000, parts + "\n".join(notes).encode("cp1252") + b"\0"
        data = bytes(int(v) for t in times for v in t) + struct.pack(">HH", pack(b["date"]), flags) + parts
        attr = (0x80 if b.get("status") == "deleted" else 0) | (0x10 if "private" in b else 0) | int(b.get("category", 0))
        records.append((attr, int(b["uid"], 0), data))
    app = b"\0\0" + b"".join(c.encode().ljust(16, b"\0") for c in CATEGORIES + [""] * 13) + bytes(16) + b"\x0f\0\1\0"
    at = 78 + 8 * len(records) + 2
    head = struct.pack(">32sHHIIIIII4s4sIIH", b"DatebookDB", 8, 0, 0xC0000000, 0xC0001000, 0xC0002000, 7, at, 0,
                       b"DATA", b"date", 0x500100, 0, len(records))
    at += len(app)
    for attr, uid, data in records:
        head += struct.pack(">II", at, attr << 24 | uid)
        at += len(data)
    open(out, "wb").write(head + b"\0\0" + app + b"".join(d for _, _, d in records))


def describe(data, attr, categories):
    sh, sm, eh, em, date, flags = struct.unpack(">BBBBHH", data[:8])
    b, at = {"date": unpack(date), "private": attr & 0x10 and "yes", "category": categories and attr & 15 and str(attr & 15)}, 8
    b["time"] = sh != 255 and "%02d:%02d-%02d:%02d" % (sh, sm, eh, em)
    if flags & 0x4000:
        b["alarm"], at = "%d %s" % (struct.unpack(">b", data[at:at + 1])[0], UNITS[data[at + 1]]), at + 2
    if flags & 0x2000:
        kind, _, end, every, on, _, _ = struct.unpack(">BBHBBBB", data[at:at + 8])
        b.update(repeat=KINDS[kind], every=every != 1 and str(every), until=end != 0xFFFF and unpack(end),
                 on=kind == 2 and " ".join(d for i, d in enumerate(DAYS) if on >> i & 1),
                 week=kind == 3 and ("last" if on // 7 == 4 else str(on // 7 + 1)))
        at += 8
    if flags & 0x0800:
        n = struct.unpack(">H", data[at:at + 2])[0]
        b["except"] = " ".join(unpack(v) for v in struct.unpack(">%dH" % n, data[at + 2:at + 2 + 2 * n]))
        at += 2 + 2 * n
    texts = data[at:].split(b"\0")
    b["text"] = texts.pop(0).decode("cp1252") if flags & 0x0400 else ""
    b["note"] = flags & 0x1000 and texts.pop(0).decode("cp1252").replace("\n", "\nnote: ")
    return "".join("%s: %s\n" % (k, b[k]) for k in KEYS if b.get(k) or k == "text")


def dump(path, mode):
    data = open(path, "rb").read()
    head = struct.unpack(">32sHHIIIIII4s4sIIH", data[:78])
    app, seed, n = head[7], head[11], head[13]
    entries = [struct.unpack(">II", data[78 + 8 * i:86 + 8 * i]) for i in range(n)]
    offsets = [e[0] for e in entries] + [len(data)]
    ids = [e[1] & 0xFFFFFF for e in entries]
    problems = [why for bad, why in [
        (head[9:11] != (b"DATA", b"date") or head[0].rstrip(b"\0") != b"DatebookDB", "not a DatebookDB"),
        (offsets != sorted(offsets) or offsets[0] < (app or 78 + 8 * n) or app and app < 78 + 8 * n, "bad offsets"),
        (0 in ids or len(set(ids)) != n or seed <= max(ids, default=0), "unique IDs or seed wrong")] if bad]
    out, keys = [], []
    for i, (offset, word) in enumerate(entries):
        record, attr = data[offset:offsets[i + 1]], word >> 24
        if not attr & 0x80:
            keys.append((record[4:6], -1 if record[0] == 255 else record[0] * 60 + record[1]))
        if mode == "--ids":
            out.append("%06x %02x %s\n" % (ids[i], attr, record.hex()))
        elif not attr & 0x80:
            out.append(describe(record, attr, mode != "--no-category"))
    if keys != sorted(keys):
        problems.append("records not in date and time order")
    if problems:
        sys.exit("%s: %s" % (path, ", ".join(problems)))
    text = "seed: %d\n%s" % (seed, "".join(out)) if mode == "--ids" else "\n".join(out)
    sys.stdout.buffer.write(text.encode("utf-8"))


if __name__ == "__main__":
    make(sys.argv[2], sys.argv[3]) if sys.argv[1] == "make" else dump(sys.argv[2], (sys.argv[3:] or [""])[0])
