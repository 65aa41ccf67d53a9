#!/usr/bin/env python3
"""Expected stored dates for tests/texts/dates_test.cpp, computed with the
standard library's calendar instead of the program's own arithmetic.

A stored date is the UTC instant of the given local time, with its seconds
set to 30 + z, where z is the zone in half-hours west of UTC less 2 under
daylight saving time. Run: python3 tests/tools/date_vectors.py
"""
import calendar
from datetime import datetime, timedelta, timezone


def stored(year, month, day, hour, minute, east_minutes=0, dst=False):
    """The local time at `east_minutes` east of UTC (daylight saving already
    included in the offset), as a stored date."""
    local = datetime(year, month, day, hour, minute, tzinfo=timezone(timedelta(minutes=east_minutes)))
    utc = calendar.timegm(local.utctimetuple())
    half_hours_west = -east_minutes // 30 + (2 if dst else 0)
    return utc + 30 + half_hours_west - (2 if dst else 0)


VECTORS = [
    ("15-Jan-99 10:20", stored(1999, 1, 15, 10, 20)),
    ("15-Jan-99 10:20 EST", stored(1999, 1, 15, 10, 20, -300)),
    ("15-Jan-99 10:20 EDT", stored(1999, 1, 15, 10, 20, -240, dst=True)),
    ("15-jan-05 10:20 +0100", stored(2005, 1, 15, 10, 20, 60)),
    ("1.2.03 08:00", stored(2003, 2, 1, 8, 0)),
    ("1-Jan-69 00:00", stored(2069, 1, 1, 0, 0)),
    ("1-Jan-70 00:00", stored(1970, 1, 1, 0, 0)),
    ("31-Dec-1999 23:59", stored(1999, 12, 31, 23, 59)),
    ("29-Feb-2000 12:00", stored(2000, 2, 29, 12, 0)),
    ("1-Mar-2000 12:00", stored(2000, 3, 1, 12, 0)),
    ("28-Feb-2100 12:00", stored(2100, 2, 28, 12, 0)),
    ("1-Mar-2100 12:00", stored(2100, 3, 1, 12, 0)),
    # Zone words with unusual offsets, at 10:20 local time on 15 January 1999.
    ("wet", stored(1999, 1, 15, 10, 20, 60)),
    ("sst", stored(1999, 1, 15, 10, 20, 120, dst=True)),
    ("it", stored(1999, 1, 15, 10, 20, 210)),
    ("zp4", stored(1999, 1, 15, 10, 20, 240)),
    ("cadt", stored(1999, 1, 15, 10, 20, 630, dst=True)),
    ("nst", stored(1999, 1, 15, 10, 20, -210)),
    ("ndt", stored(1999, 1, 15, 10, 20, -150, dst=True)),
    ("idlw", stored(1999, 1, 15, 10, 20, -720)),
    ("ist", stored(1999, 1, 15, 10, 20, 330)),
    # Weekday words against a reference day: Monday 1 January 2024 ...
    ("yesterday 23:59 / 2024-01-01", stored(2023, 12, 31, 23, 59)),
    ("monday 08:00 / 2024-01-01", stored(2024, 1, 1, 8, 0)),
    ("tuesday 08:00 / 2024-01-01", stored(2023, 12, 26, 8, 0)),
    ("today 07:15 / 2024-01-01", stored(2024, 1, 1, 7, 15)),
    ("monday 08:00 single blank / 2024-01-01", stored(2024, 1, 1, 0, 0)),
    # ... and Friday 1 March 2024, the day after a leap day.
    ("thursday 10:00 / 2024-03-01", stored(2024, 2, 29, 10, 0)),
    ("yesterday 10:00 / 2024-03-01", stored(2024, 2, 29, 10, 0)),
    ("saturday 10:00 / 2024-03-01", stored(2024, 2, 24, 10, 0)),
]

if __name__ == "__main__":
    for text, value in VECTORS:
        print(f"{value:>10}  {text}")
