#!/usr/bin/env python3
# ics_expand.py FILE FIRST LAST: every occurrence of the events of an iCalendar file between two
# days (inclusive), as another program reads the file: one "date start end|summary" line each.
import datetime
import sys

import icalendar
import recurring_ical_events

first = datetime.date.fromisoformat(sys.argv[2])
after = datetime.date.fromisoformat(sys.argv[3]) + datetime.timedelta(days=1)
with open(sys.argv[1], "rb") as f:
    calendar = icalendar.Calendar.from_ical(f.read())
lines = []
for event in recurring_ical_events.of(calendar).between(first, after):
    start, end = event["DTSTART"].dt, event["DTEND"].dt
    day = f"{start:%Y-%m-%d} "
    times = f"{start:%H:%M} {end:%H:%M}" if isinstance(start, datetime.datetime) else "all-day"
    lines.append(day + times + "|" + str(event["SUMMARY"]))
sys.stdout.buffer.write("".join(line + "\n" for line in sorted(lines)).encode("utf-8"))
