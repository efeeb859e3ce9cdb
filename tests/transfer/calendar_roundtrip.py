#!/usr/bin/env python3
"""Imports each calendar into a new, empty Date Book Archive with the built program, exports the archive
again and compares both files occurrence by occurrence, as Europe/Berlin wall-clock pieces of one day each
(what the datebook can hold). Exit status 1 on any difference."""
import argparse, collections, copy, datetime as dt, os, pathlib, re, subprocess, sys, tempfile, zoneinfo
import icalendar, recurring_ical_events

BERLIN = zoneinfo.ZoneInfo("Europe/Berlin")
WINDOWS_ZONES = {"W. Europe Standard Time": "Europe/Berlin", "Central Standard Time": "America/Chicago",
                 "GMT Standard Time": "Europe/London", "Romance Standard Time": "Europe/Paris"}
ROOT = pathlib.Path(__file__).resolve().parents[2]


def zone(tzid):
    return zoneinfo.ZoneInfo(WINDOWS_ZONES.get(tzid, re.sub(r"^/mozilla\.org/[^/]+/", "", tzid)))


def rezone(value, tzid):
    # The system's zone database in place of the file's own blocks: the expansion library gets UNTIL
    # wrong across a change of daylight saving time with the zones icalendar makes.
    if isinstance(value, tuple):
        return tuple(rezone(v, tzid) for v in value)
    if isinstance(value, dt.datetime) and tzid:
        return value.replace(tzinfo=zone(tzid))
    return value


def listed(value):
    return value if isinstance(value, list) else [] if value is None else [value]


def prepared(cal):
    """The calendar with what the expansion library cannot take spelled out: each further RRULE and
    each RDATE period becomes an event of its own (a start that two rules give counts once)."""
    for event in list(cal.walk("VEVENT")):
        for name in ("DTSTART", "DTEND", "RECURRENCE-ID", "EXDATE", "RDATE"):
            for prop in listed(event.get(name)):
                for p in getattr(prop, "dts", [prop]):
                    p.dt = rezone(p.dt, prop.params.get("TZID"))
        uid, rules, extra, kept = event.get("UID"), listed(event.get("RRULE")), [], []
        for n, rule in enumerate(rules[1:]):
            twin = copy.deepcopy(event)
            twin["RRULE"], twin["UID"] = rule, f"{uid}#rule{n}"
            twin.pop("RDATE", None)
            extra.append(twin)
        if rules:
            event["RRULE"] = rules[0]
        for p in (p for prop in listed(event.pop("RDATE", None)) for p in prop.dts):
            if not isinstance(p.dt, tuple):
                kept.append(p.dt)
                continue
            single, (start, end) = icalendar.Event(), p.dt
            single.update({k: event[k] for k in ("SUMMARY", "STATUS") if k in event}, UID=f"{uid}#{len(extra)}")
            single.add("DTSTART", start)
            single.add("DTEND", end if isinstance(end, dt.datetime) else start + end)
            extra.append(single)
        if kept:
            event.add("RDATE", kept)
        for e in extra:
            cal.add_component(e)
    return cal


def local(value):
    if isinstance(value, dt.datetime) and value.tzinfo is not None:
        return value.astimezone(BERLIN).replace(tzinfo=None)
    return value


def pieces(start, end, summary):
    """One occurrence as the datebook holds it: a piece per day, whole days between as untimed ones."""
    if not isinstance(start, dt.datetime):
        days = max((end - start).days, 1) if end else 1
        return [(start + dt.timedelta(d), None, None, summary) for d in range(days)]
    s, e = local(start), local(end or start)
    if e.date() <= s.date():
        return [(s.date(), s.time(), e.time(), summary)]
    out = [(s.date(), s.time(), dt.time(23, 59), summary)]
    out += [(s.date() + dt.timedelta(d), None, None, summary) for d in range(1, (e.date() - s.date()).days)]
    if e.time() != dt.time(0):
        out.append((e.date(), dt.time(0), e.time(), summary))
    return out


def occurrences(path):
    cal = icalendar.Calendar.from_ical(path.read_bytes())
    events = len(cal.walk("VEVENT"))
    prepared(cal)
    seen, starts = collections.Counter(), set()
    found = recurring_ical_events.of(cal).between(dt.date(2000, 1, 1), dt.date(2032, 1, 1))
    for occ in sorted(found, key=lambda o: "#rule" in str(o.get("UID"))):
        uid = str(occ.get("UID"))
        start = (uid.split("#rule")[0], occ["DTSTART"].to_ical())
        if str(occ.get("STATUS", "")).upper() == "CANCELLED" or ("#rule" in uid and start in starts):
            continue
        starts.add(start)
        end = occ.get("DTEND")
        for piece in pieces(occ["DTSTART"].dt, end.dt if end else None, str(occ.get("SUMMARY", "")).strip()):
            seen[piece] += 1
    return seen, events


def show(piece):
    day, start, end, summary = piece
    times = f"{start:%H:%M}-{end:%H:%M}" if start is not None else "all day"
    return f"{day} {times} {summary}"


def check(calendar, program, work):
    work.mkdir()
    archive, out = work / "new.dba", work / "out.ics"
    env = dict(os.environ, TZ="Europe/Berlin", VEMRA_UNATTENDED="1", VEMRA_REGISTRY=str(work / "registry.reg"),
               VEMRA_PALM_DESKTOP=str(work / "Palm"))
    path = (lambda p: "Z:" + str(p).replace("/", "\\")) if program[0].endswith("wine-run") else str
    for args in (["-i", path(calendar)], ["-e", path(out)]):
        try:
            r = subprocess.run(program + ["-d", path(archive), "-x"] + args, env=env, capture_output=True,
                               text=True, errors="replace", timeout=120)
        except subprocess.TimeoutExpired:
            print(f"  {args[0]}: no answer after 120 s")
            return False
        if args[0] == "-i" or r.returncode:
            print(f"  {args[0]} status {r.returncode}: {r.stdout.strip()}")
            print("".join(f"    {line}\n" for line in r.stderr.splitlines()), end="")
        if r.returncode not in (0, 5):
            return False
    return out.exists()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    how = parser.add_mutually_exclusive_group(required=True)
    how.add_argument("--program", help="the native program, e.g. build/native/vemra")
    how.add_argument("--wine", help="the Windows program, e.g. build/windows/english/VEMRA.exe")
    parser.add_argument("calendars", nargs="*", type=pathlib.Path,
                        default=sorted((ROOT / "tests/data/transfer/calendars").glob("*.ics")))
    a = parser.parse_args()
    program = [os.path.abspath(a.program)] if a.program else [str(ROOT / "scripts/wine-run"), os.path.abspath(a.wine)]
    totals = collections.Counter()
    with tempfile.TemporaryDirectory() as tmp:
        for n, calendar in enumerate(a.calendars):
            print(f"{calendar.name}:")
            want, events = occurrences(calendar)
            ran = check(calendar.resolve(), program, pathlib.Path(tmp) / str(n))
            got, wrong = collections.Counter(), []
            try:
                got = occurrences(pathlib.Path(tmp) / str(n) / "out.ics")[0] if ran else got
            except (ValueError, KeyError) as e:
                print(f"  the export cannot be read: {e}")
            missing, extra = want - got, got - want
            for piece in list(missing.elements()):
                near = next((p for p in extra if extra[p] and (p[0], p[3]) == (piece[0], piece[3])), None)
                if near:
                    wrong.append((piece, near))
                    missing[piece] -= 1
                    extra[near] -= 1
            missing, extra = +missing, +extra
            print("".join(f"  missing {show(p)}\n" for p in sorted(missing.elements(), key=show)) +
                  "".join(f"  extra   {show(p)}\n" for p in sorted(extra.elements(), key=show)) +
                  "".join(f"  wrong   {show(p)}  exported as {show(q)}\n" for p, q in wrong), end="")
            figures = dict(events=events, compared=sum(want.values()), missing=sum(missing.values()),
                           extra=sum(extra.values()), wrong=len(wrong))
            totals.update(figures)
            print("  " + ", ".join(f"{k} {v}" for k, v in figures.items()))
    print("total: " + ", ".join(f"{k} {totals[k]}" for k in ("events", "compared", "missing", "extra", "wrong")))
    return 1 if totals["missing"] + totals["extra"] + totals["wrong"] else 0


if __name__ == "__main__":
    sys.exit(main())
