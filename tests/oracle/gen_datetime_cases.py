#!/usr/bin/env python3
"""Writes random CDateTime / CDateTimeSpan cases with independently computed
expected results, one tab-separated case per line.

The expectations come from Python's datetime and calendar modules and from a
separate implementation of the duration addition of XML Schema Part 2,
Appendix E (fQuotient/modulo form, day clamped to the month's length). That
implementation is itself checked against datetime arithmetic for every span
without years and months, and against calendar month arithmetic for spans of
years and months only.

Usage: gen_datetime_cases.py SEED COUNT OUTPUT
COUNT cases are written for each case family.
"""

import calendar
import copy
import datetime
import random
import sys

NS_PER_SECOND = 10**9
NS_PER_DAY = 86400 * NS_PER_SECOND
EPOCH_ORDINAL = datetime.date(1970, 1, 1).toordinal()


# ---------------------------------------------------------------- values

class Value:
    """A date/time of one XSD kind; absent fields are None. frac is in ns."""

    def __init__(self, kind, year=None, month=None, day=None, hour=None,
                 minute=None, second=None, frac=0, zone=None):
        self.kind = kind
        self.year, self.month, self.day = year, month, day
        self.hour, self.minute, self.second, self.frac = hour, minute, second, frac
        self.zone = zone  # None, 'Z' or offset in minutes

    def copy(self, **changes):
        v = copy.copy(self)
        v.__dict__.update(changes)
        return v


def fmt_year(y):
    return ('-' if y < 0 else '') + '%04d' % abs(y)


def fmt_frac(ns):
    if ns == 0:
        return ''
    digits = '%09d' % ns
    return '.' + digits.rstrip('0')


def fmt_zone(zone):
    if zone is None:
        return ''
    if zone == 'Z':
        return 'Z'
    hours, minutes = divmod(abs(zone), 60)
    return '%s%02d:%02d' % ('-' if zone < 0 else '+', hours, minutes)


def fmt(v):
    time = lambda: '%02d:%02d:%02d%s' % (v.hour, v.minute, v.second, fmt_frac(v.frac))
    body = {
        'dateTime': lambda: '%s-%02d-%02dT%s' % (fmt_year(v.year), v.month, v.day, time()),
        'date': lambda: '%s-%02d-%02d' % (fmt_year(v.year), v.month, v.day),
        'gYearMonth': lambda: '%s-%02d' % (fmt_year(v.year), v.month),
        'gYear': lambda: fmt_year(v.year),
        'time': time,
        'gDay': lambda: '---%02d' % v.day,
        'gMonth': lambda: '--%02d' % v.month,
        'gMonthDay': lambda: '--%02d-%02d' % (v.month, v.day),
    }[v.kind]()
    return body + fmt_zone(v.zone)


def rand_frac(rng):
    r = rng.random()
    if r < 0.4:
        return 0
    if r < 0.6:
        return rng.randrange(1, 1000) * 10**6
    if r < 0.8:
        return rng.randrange(1, 10**6) * 10**3
    return rng.randrange(1, 10**9)


def rand_zone(rng):
    r = rng.random()
    if r < 0.35:
        return None
    if r < 0.55:
        return 'Z'
    minutes = rng.choice([0, 0, 15, 30, 45])
    hours = rng.randint(0, 14)
    if hours == 14:
        minutes = 0
    offset = hours * 60 + minutes
    return -offset if rng.random() < 0.5 else offset


def days_in_month(year, month):
    return calendar.monthrange(year, month)[1]


def rand_datetime(rng, kind='dateTime', lo=1, hi=9999):
    year = rng.randint(lo, hi)
    month = rng.randint(1, 12)
    day = rng.randint(1, days_in_month(year, month))
    v = Value(kind, year, month, day, zone=rand_zone(rng))
    if kind == 'dateTime':
        v.hour, v.minute, v.second = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)
        v.frac = rand_frac(rng)
    return v


# ---------------------------------------------------------------- spans

class Span:
    def __init__(self, neg=False, years=0, months=0, days=0, hours=0, minutes=0,
                 seconds=0, frac=0):
        self.neg = neg
        self.years, self.months, self.days = years, months, days
        self.hours, self.minutes, self.seconds, self.frac = hours, minutes, seconds, frac

    def sign(self):
        return -1 if self.neg else 1

    def time_ns(self):
        return (((self.days * 24 + self.hours) * 60 + self.minutes) * 60
                + self.seconds) * NS_PER_SECOND + self.frac


def fmt_span(s):
    out = '-P' if s.neg else 'P'
    for value, letter in ((s.years, 'Y'), (s.months, 'M'), (s.days, 'D')):
        if value:
            out += '%d%s' % (value, letter)
    if s.hours or s.minutes or s.seconds or s.frac:
        out += 'T'
        if s.hours:
            out += '%dH' % s.hours
        if s.minutes:
            out += '%dM' % s.minutes
        if s.seconds or s.frac:
            out += '%d%sS' % (s.seconds, fmt_frac(s.frac))
    if out.endswith('P'):
        out += 'T0S'
    return out


def rand_span(rng, scale=1.0, date_part=True, time_part=True):
    pick = lambda p, hi: rng.randint(0, max(1, int(hi * scale))) if rng.random() < p else 0
    s = Span(neg=rng.random() < 0.5)
    if date_part:
        s.years, s.months, s.days = pick(0.3, 40), pick(0.4, 30), pick(0.5, 1200)
    if time_part:
        s.hours, s.minutes, s.seconds = pick(0.4, 100), pick(0.4, 5000), pick(0.4, 200000)
        s.frac = rand_frac(rng) if rng.random() < 0.4 else 0
    return s


# ------------------------------------------- Appendix E, written independently

# fQuotient and modulo of Appendix E are Python's floor division and %; the
# three-argument forms work on a range low .. high - 1.
def f_quotient3(a, low, high):
    return (a - low) // (high - low)


def modulo3(a, low, high):
    return (a - low) % (high - low) + low


def maximum_day_in_month_for(year, month):
    m = modulo3(month, 1, 13)
    y = year + f_quotient3(month, 1, 13)
    return [31, 29 if calendar.isleap(y) else 28, 31, 30, 31, 30,
            31, 31, 30, 31, 30, 31][m - 1]


def add_appendix_e(v, span):
    """Full date/time fields of v plus span; v's kind must carry a date."""
    sg = span.sign()
    hour, minute = v.hour or 0, v.minute or 0
    sec_ns = (v.second or 0) * NS_PER_SECOND + (v.frac or 0)
    temp = v.month + sg * span.months
    month = modulo3(temp, 1, 13)
    carry = f_quotient3(temp, 1, 13)
    year = v.year + sg * span.years + carry
    temp = sec_ns + sg * (span.seconds * NS_PER_SECOND + span.frac)
    carry, sec_ns = divmod(temp, 60 * NS_PER_SECOND)
    temp = minute + sg * span.minutes + carry
    carry, minute = divmod(temp, 60)
    temp = hour + sg * span.hours + carry
    carry, hour = divmod(temp, 24)
    max_day = maximum_day_in_month_for(year, month)
    temp_days = max_day if v.day > max_day else max(v.day, 1)
    day = temp_days + sg * span.days + carry
    while True:
        if day < 1:
            day += maximum_day_in_month_for(year, month - 1)
            carry = -1
        elif day > maximum_day_in_month_for(year, month):
            day -= maximum_day_in_month_for(year, month)
            carry = 1
        else:
            break
        temp = month + carry
        month = modulo3(temp, 1, 13)
        year += f_quotient3(temp, 1, 13)
    return year, month, day, hour, minute, sec_ns


def to_ns(year, month, day, hour, minute, sec_ns):
    """Nanoseconds since 0001-01-01T00:00:00 by datetime's calendar."""
    return ((datetime.date(year, month, day).toordinal() * 24 + hour) * 60
            + minute) * 60 * NS_PER_SECOND + sec_ns


def cross_check(v, span, result):
    """Verifies the Appendix E result by a second route where one exists."""
    year, month, day, hour, minute, sec_ns = result
    if span.years == 0 and span.months == 0:
        start = to_ns(v.year, v.month, v.day, v.hour or 0, v.minute or 0,
                      (v.second or 0) * NS_PER_SECOND + v.frac)
        assert to_ns(*result) == start + span.sign() * span.time_ns(), (fmt(v), fmt_span(span))
    elif span.time_ns() == 0:
        total = v.year * 12 + v.month - 1 + span.sign() * (span.years * 12 + span.months)
        y, m = divmod(total, 12)
        assert (year, month, day) == (y, m + 1, min(v.day, days_in_month(y, m + 1))), \
            (fmt(v), fmt_span(span))


def add_cases(rng, count, out):
    written = 0
    while written < count:
        kind = 'dateTime' if rng.random() < 0.8 else 'date'
        v = rand_datetime(rng, kind, 100, 9900)
        r = rng.random()
        span = rand_span(rng, date_part=r > 0.25, time_part=r < 0.75 or kind == 'dateTime')
        if rng.random() < 0.1:  # exercise the clamping on month ends
            v.day = days_in_month(v.year, v.month)
            span = Span(rng.random() < 0.5, 0, rng.randint(1, 14))
        result = add_appendix_e(v, span)
        if not 1 <= result[0] <= 9999:
            continue
        cross_check(v, span, result)
        year, month, day, hour, minute, sec_ns = result
        expected = v.copy(year=year, month=month, day=day)
        if kind == 'dateTime':
            expected.hour, expected.minute = hour, minute
            expected.second, expected.frac = divmod(sec_ns, NS_PER_SECOND)
        # "+" adds the span, "-" subtracts the span with the sign reversed.
        op = '+' if rng.random() < 0.5 else '-'
        text = fmt_span(span) if op == '+' else fmt_span(Span(not span.neg, span.years, span.months,
                                                                span.days, span.hours, span.minutes,
                                                                span.seconds, span.frac))
        out.append(('add', fmt(v), op, text, fmt(expected)))
        written += 1


# ---------------------------------------------------------------- calendar facts

def calendar_cases(rng, count, out):
    for _ in range(count):
        v = rand_datetime(rng, rng.choice(['date', 'dateTime']))
        d = datetime.date(v.year, v.month, v.day)
        day_of_week = d.isoweekday() % 7 + 1  # 1 = Sunday .. 7 = Saturday
        out.append(('dow', fmt(v), str(day_of_week), str(d.timetuple().tm_yday)))


def instant_ns(v):
    """UTC instant of a dateTime as nanoseconds; offsets shift it."""
    offset = 0 if v.zone in (None, 'Z') else v.zone
    return to_ns(v.year, v.month, v.day, v.hour, v.minute,
                 v.second * NS_PER_SECOND + v.frac) - offset * 60 * NS_PER_SECOND


def from_ns(ns, kind='dateTime', zone=None):
    days, rest = divmod(ns, NS_PER_DAY)
    d = datetime.date.fromordinal(days)
    rest, frac = divmod(rest, NS_PER_SECOND)
    hour, rest = divmod(rest, 3600)
    minute, second = divmod(rest, 60)
    return Value(kind, d.year, d.month, d.day, hour, minute, second, frac, zone)


def epoch_cases(rng, count, out):
    written = 0
    while written < count:
        v = rand_datetime(rng, rng.choice(['date', 'dateTime', 'dateTime']))
        full = v if v.kind == 'dateTime' else v.copy(hour=0, minute=0, second=0, frac=0)
        ns = instant_ns(full)
        if not to_ns(1, 1, 1, 0, 0, 0) <= ns < to_ns(9999, 12, 31, 0, 0, 0):
            continue
        # A date normalizes to the date of its shifted midnight.
        if v.kind == 'date':
            ns = ns // NS_PER_DAY * NS_PER_DAY
        seconds = ns // NS_PER_SECOND - EPOCH_ORDINAL * 86400
        out.append(('epoch', fmt(v), str(seconds)))
        utc = from_ns((seconds + EPOCH_ORDINAL * 86400) * NS_PER_SECOND)
        out.append(('fromepoch', str(seconds), fmt(utc)))
        normalized = from_ns(ns, v.kind, v.zone if v.zone in (None, 'Z') else 0)
        if v.kind == 'date':
            normalized = normalized.copy(hour=None, minute=None, second=None, frac=0)
        out.append(('norm', fmt(v), fmt(normalized)))
        written += 1


def filetime_cases(rng, count, out):
    base = datetime.datetime(1601, 1, 1)
    for _ in range(count):
        ticks = rng.randrange(0, 2**63) if rng.random() < 0.2 else \
            rng.randrange(0, 2650467743999999999)  # up to 9999-12-31
        try:
            t = base + datetime.timedelta(microseconds=ticks // 10)
            expected = '%s-%02d-%02dT%02d:%02d:%02d%s' % (
                fmt_year(t.year), t.month, t.day, t.hour, t.minute, t.second,
                fmt_frac(t.microsecond // 1000 * 10**6))
        except OverflowError:
            expected = 'Invalid Year Zero'  # beyond 9999: the constructor gives an empty value
        out.append(('filetime', str(ticks), expected, str((t.isoweekday() % 7) if expected[0] != 'I' else 0)))


# ---------------------------------------------------------------- text

def rand_value(rng, kind):
    year = rng.randint(1, 9999) * (-1 if rng.random() < 0.1 else 1)
    month = rng.randint(1, 12)
    leap_year = abs(year) if calendar.isleap(abs(year)) else 2000
    v = Value(kind, zone=rand_zone(rng))
    if kind in ('dateTime', 'date', 'gYearMonth', 'gYear'):
        v.year = year
    if kind in ('dateTime', 'date', 'gYearMonth', 'gMonth', 'gMonthDay'):
        v.month = month
    if kind in ('dateTime', 'date'):
        # Leap rule for negative years as for positive ones.
        v.day = rng.randint(1, days_in_month(abs(year), month))
    elif kind == 'gMonthDay':
        v.day = rng.randint(1, days_in_month(leap_year, month))
    elif kind == 'gDay':
        v.day = rng.randint(1, 31)
    if kind in ('dateTime', 'time'):
        v.hour, v.minute, v.second = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)
        v.frac = rand_frac(rng)
    return v


def noisy_text(rng, v):
    """A lexical form of v that is not canonical where the syntax allows it."""
    text = fmt(v)
    if v.kind in ('dateTime', 'time') and rng.random() < 0.3:
        digits = '%09d' % v.frac
        cut = rng.randint(len(digits.rstrip('0')), 9)
        fraction = digits[:cut]
        body, zone = text[:len(text) - len(fmt_zone(v.zone))], fmt_zone(v.zone)
        body = body.split('.')[0]
        text = body + ('.' + fraction if cut or rng.random() < 0.5 else '') + zone
    if isinstance(v.zone, int) and v.zone % 60 == 0 and abs(v.zone) < 60 and rng.random() < 0.5:
        text = text[:-6] + '+24:00'  # an hour of 24 is read as 0
    return text


KINDS = ['dateTime', 'date', 'gYearMonth', 'gYear', 'time', 'gDay', 'gMonth', 'gMonthDay']


def text_cases(rng, count, out):
    for i in range(count):
        v = rand_value(rng, KINDS[i % len(KINDS)])
        out.append(('rt', v.kind, noisy_text(rng, v), fmt(v)))
    for _ in range(count):
        s = rand_span(rng, scale=rng.choice([1, 1000]))
        out.append(('rtdur', fmt_span(s), fmt_span(s)))


def validity_cases(rng, count, out):
    for _ in range(count):
        year = rng.choice([rng.randint(1, 9999), rng.choice([1900, 2000, 2004, 2100, 2400])])
        month = rng.randint(1, 12)
        day = rng.randint(28, 31)
        valid = day <= days_in_month(year, month)
        out.append(('valid', 'date', '%04d-%02d-%02d' % (year, month, day), '1' if valid else '0'))
        out.append(('valid', 'dateTime', '%04d-%02d-%02dT23:59:59' % (year, month, day),
                    '1' if valid else '0'))
        month_day_valid = day <= days_in_month(2000, month)
        out.append(('valid', 'gMonthDay', '--%02d-%02d' % (month, day),
                    '1' if month_day_valid else '0'))


# ---------------------------------------------------------------- order

def order(a, b):
    return '<' if a < b else '>' if a > b else '='


def xsd_compare(p, q):
    """The XSD order of two dateTimes, with the +-14:00 rule."""
    if (p.zone is None) == (q.zone is None):
        return order(instant_ns(p), instant_ns(q))
    fourteen = 14 * 3600 * NS_PER_SECOND
    if p.zone is not None:
        if instant_ns(p) < instant_ns(q) - fourteen:
            return '<'
        return '>' if instant_ns(p) > instant_ns(q) + fourteen else '?'
    flipped = xsd_compare(q, p)
    return {'<': '>', '>': '<'}.get(flipped, flipped)


def at_instant(ns, zone):
    """The dateTime of instant ns written in the given zone."""
    shift = zone * 60 * NS_PER_SECOND if isinstance(zone, int) else 0
    return from_ns(ns + shift, zone=zone)


# Pairs every run compares: exactly fourteen hours apart is still
# indeterminate, one second more is not; an offset below one hour keeps its
# sign; -0001 is followed by 0001; the year decides before the month.
FIXED_COMPARISONS = """\
2004-01-01T12:00:00Z 2004-01-01T20:00:00 ?
2004-01-01T12:00:00Z 2004-01-02T02:00:00 ?
2004-01-01T12:00:00Z 2004-01-02T02:00:01 <
2004-01-01T12:00:00Z 2003-12-31T21:59:59 >
2004-01-01T12:00:00+05:30 2004-01-01T06:30:00Z =
2004-01-01T00:00:00-14:00 2004-01-02T00:00:00+10:00 =
2004-01-01T00:00:00.000000001 2004-01-01T00:00:00 >
-0001-12-31T23:00:00-01:00 0001-01-01T00:00:00Z =
2004-01-01T00:00:00-00:30 2004-01-01T00:30:00Z =
2004-01-01T00:00:00-00:30 2004-01-01T00:00:00+00:30 >
2004-01-01 2004-01-01T00:00:00 ?
2004-01-01 00:00:00 ?
2004 2003-12 >
9999-12-31T23:59:59-14:00 9999-12-31T23:59:59-14:00 =
-9999-01-01T00:00:00+14:00 -9999-01-01T00:00:00+14:00 =
9999-12-31T23:59:59-14:00 9999-12-31T23:59:59Z >"""


def compare_cases(rng, count, out):
    out.extend(('cmp',) + tuple(line.split()) for line in FIXED_COMPARISONS.splitlines())
    written = 0
    while written < count:
        a = rand_datetime(rng, 'dateTime', 2, 9998)
        r = rng.random()
        if r < 0.3:  # the same instant, in a zone when a has one
            zone = rand_zone(rng) if a.zone is not None else None
            b = at_instant(instant_ns(a), 'Z' if zone is None and a.zone is not None else zone)
        elif r < 0.6:  # around the 14-hour band
            delta = rng.choice([14 * 3600, -14 * 3600, 0]) + \
                rng.randint(-3, 3) * rng.choice([1, 60, 3600])
            b = at_instant(instant_ns(a) + delta * NS_PER_SECOND + rng.choice([0, 0, 1, -1]),
                           rand_zone(rng))
        elif r < 0.8:
            b = at_instant(instant_ns(a) + rng.randint(-10**6, 10**6) * NS_PER_SECOND,
                           rand_zone(rng))
        else:
            b = rand_datetime(rng, 'dateTime', 2, 9998)
        out.append(('cmp', fmt(a), fmt(b), xsd_compare(a, b)))
        written += 1
    for _ in range(count // 4):  # dates and times without offsets
        zone_a, zone_b = rng.choice([None, 'Z']), rng.choice([None, 'Z'])
        a = rand_datetime(rng, 'date', 2, 9998).copy(zone=zone_a)
        b = a.copy(zone=zone_b, day=min(a.day, 28)) if rng.random() < 0.5 else \
            rand_datetime(rng, 'date', 2, 9998).copy(zone=zone_b)
        da, db = (datetime.date(v.year, v.month, v.day).toordinal() for v in (a, b))
        if (zone_a is None) == (zone_b is None):
            result = order(da, db)
        else:
            # The date without zone is shifted by +-14 hours, which moves its
            # date back by one day or leaves it.
            p, q = (da, db) if zone_a else (db, da)
            result = '<' if p < q - 1 else '>' if p > q else '?'
            if not zone_a:
                result = {'<': '>', '>': '<'}.get(result, result)
        out.append(('cmp', fmt(a), fmt(b), result))
        ta, tb = rand_value(rng, 'time').copy(zone=zone_a), rand_value(rng, 'time').copy(zone=zone_a)
        if rng.random() < 0.3:
            tb = ta.copy()
        key = lambda t: ((t.hour * 60 + t.minute) * 60 + t.second) * NS_PER_SECOND + t.frac
        out.append(('cmp', fmt(ta), fmt(tb), order(key(ta), key(tb))))
    # Times in any zones are ordered as dateTimes on one reference date, so a
    # shift to UTC may cross midnight (23:00:00-05:00 is after 23:30:00Z).
    on_day = lambda t: t.copy(kind='dateTime', year=1972, month=12, day=31)
    for _ in range(count // 4):
        ta, tb = rand_value(rng, 'time'), rand_value(rng, 'time')
        if rng.random() < 0.3:  # the same instant written in another zone
            zone = rand_zone(rng)
            if ta.zone is not None and zone is not None:
                moved = at_instant(instant_ns(on_day(ta)), zone)
                tb = moved.copy(kind='time', year=None, month=None, day=None)
        out.append(('cmp', fmt(ta), fmt(tb), xsd_compare(on_day(ta), on_day(tb))))


def duration_compare_cases(rng, count, out):
    refs = [Value('dateTime', 1696, 9, 1, 0, 0, 0), Value('dateTime', 1697, 2, 1, 0, 0, 0),
            Value('dateTime', 1903, 3, 1, 0, 0, 0), Value('dateTime', 1903, 7, 1, 0, 0, 0)]
    for _ in range(count):
        a = rand_span(rng)
        if rng.random() < 0.2:  # months against days: often indeterminate
            months = rng.randint(1, 14)
            a = Span(False, 0, months)
            b = Span(False, 0, 0, rng.randint(28 * months - 1, 31 * months + 1))
        elif rng.random() < 0.4:  # the same length written differently
            total = a.days * 24 + a.hours
            b = Span(a.neg, a.years, a.months, 0, total, a.minutes,
                     a.seconds, a.frac)
        else:
            b = rand_span(rng)
        results = set()
        for ref in refs:
            ra, rb = add_appendix_e(ref, a), add_appendix_e(ref, b)
            results.add(order(to_ns(*ra), to_ns(*rb)))
        out.append(('dcmp', fmt_span(a), fmt_span(b), results.pop() if len(results) == 1 else '?'))


def main():
    seed, count, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    rng = random.Random(seed)
    cases = []
    for family in (add_cases, calendar_cases, epoch_cases, filetime_cases, text_cases,
                   validity_cases, compare_cases, duration_compare_cases):
        family(rng, count, cases)
    with open(path, 'w', encoding='ascii') as f:
        f.write('# seed %d count %d\n' % (seed, count))
        for case in cases:
            f.write('\t'.join(case) + '\n')


if __name__ == '__main__':
    main()
