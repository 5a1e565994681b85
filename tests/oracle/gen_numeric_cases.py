#!/usr/bin/env python3
"""Writes random CBigInteger, CDecimal and i4/ui4 parsing cases with results
computed by Python.

The expected values come from Python's int, math.isqrt, fractions.Fraction and
decimal (ROUND_HALF_DOWN for "nearest, an exact half toward zero",
ROUND_HALF_UP for ToString(places)), not from the library's algorithms.

Output: one case per line, fields separated by tabs, backslash escapes for
tab, line feed, carriage return and backslash. The first line is
"# seed <seed>". An expected value starting with '!' is the message of the
exception the operation must throw.

Usage: gen_numeric_cases.py SEED COUNT OUTPUT
"""
import decimal
import math
import random
import re
import sys
from decimal import Decimal, ROUND_HALF_DOWN, ROUND_HALF_UP, ROUND_DOWN
from fractions import Fraction

CTX = decimal.Context(prec=100000, rounding=ROUND_HALF_DOWN,
                      traps=[decimal.InvalidOperation, decimal.Inexact])
decimal.setcontext(CTX)
# Rounding is meant to be inexact; only the arithmetic above must be exact.
ROUNDING = decimal.Context(prec=100000, traps=[decimal.InvalidOperation])

INT32 = (-2**31, 2**31 - 1)
INT64 = (-2**63, 2**63 - 1)
MAX_DOUBLE_INT = 17 * 10**307
MSG_DIV = "!ERROR: Overflow in operator/!"
MSG_DIV_ASSIGN = "!ERROR: Overflow in operator /=!"
MSG_MOD = "!ERROR: Overflow in operator%!"
MSG_MOD_ASSIGN = "!ERROR: Overflow in operator%=!"
MSG_SQRT = "!ERROR: Negative Number in function SquareRoot()!"
MSG_DOMAIN = "!ERROR: Domain in operator int()!"
MSG_LONG = "!The Decimal value if to large to fit into a LONG"
MSG_LONGLONG = "!The Decimal value if to large to fit into a LONGLONG"
MSG_DOUBLE = "!The Decimal value if to large to fit into a Double"
MSG_BADCHAR = ("!The string representing a Decimal, contained an invalid char "
               "at position %d [%s]")
WS = " \t\r\n"


def esc(s):
    return (s.replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\n", "\\n").replace("\r", "\\r"))


# ----------------------------------------------------------------- values

def rand_digits(rng, n):
    return "".join(rng.choice("0123456789") for _ in range(n))


def rand_length(rng, small=20, large=320):
    r = rng.random()
    if r < 0.5:
        return rng.randint(1, small)
    if r < 0.9:
        return rng.randint(1, 60)
    return rng.randint(1, large)


def special_ints():
    vals = [0, 1, -1, 2, 9, 10, 99, 100, 2**31 - 1, 2**31, -2**31, -2**31 - 1,
            2**63 - 1, 2**63, -2**63, -2**63 - 1, 2**64 - 1, 2**64]
    for k in (1, 2, 3, 5, 11):
        vals += [10**(9 * k), 10**(9 * k) - 1, 10**(9 * k) + 1, 5 * 10**(9 * k - 1)]
    return vals


def rand_int(rng):
    r = rng.random()
    if r < 0.12:
        v = rng.choice(special_ints())
    elif r < 0.25:
        # Limb-boundary shapes stress the long division's corrections.
        k = rng.randint(1, 12)
        v = rng.choice([10**(9 * k) - rng.randint(1, 1000),
                        (10**9 - 1) * 10**(9 * k) + rng.randint(0, 10**9),
                        rng.randint(1, 10**9) * 10**(9 * k)])
    else:
        v = int(rand_digits(rng, rand_length(rng)) or "0")
    return -v if rng.random() < 0.5 else v


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a < 0) == (b < 0) else -q


def round_half_down_int(x):
    """Fraction or Decimal to the nearest integer, an exact half toward zero."""
    x = Fraction(x)
    m = abs(x)
    f = math.floor(m)
    if m - f > Fraction(1, 2):
        f += 1
    return -f if x < 0 else f


# ----------------------------------------------------------- decimal text

def canon(v):
    """Canonical print of an exact (rationalised) Decimal value."""
    if v == v.to_integral_value(rounding=ROUND_DOWN):
        return str(int(v))
    s = format(v, "f")
    if "." in s:
        s = s.rstrip("0")
    return s


def frac_digits(v):
    if v == v.to_integral_value(rounding=ROUND_DOWN):
        return 0
    return -v.normalize().as_tuple().exponent


def quantize(v, places, rounding):
    return v.quantize(Decimal(1).scaleb(-places), rounding=rounding, context=ROUNDING)


def rounded_text(v, places):
    """v rounded to `places` (half toward zero), keeping all places."""
    q = quantize(v, places, ROUND_HALF_DOWN)
    if q == q.to_integral_value(rounding=ROUND_DOWN):
        return str(int(q))
    return format(q, "f")


def fit(v, places):
    """Result of an exact value limited to `places`: (value, text); a rounded
    value keeps all of its places."""
    if frac_digits(v) <= places:
        return v, canon(v)
    return quantize(v, places, ROUND_HALF_DOWN), rounded_text(v, places)


class DecText:
    """A lenient decimal text and its exact value."""

    def __init__(self, rng, max_int=40, max_frac=40, lenient=True):
        self.negative = rng.random() < 0.5
        r = rng.random()
        ni = 0 if r < 0.1 else rand_length(rng, 12, max_int) if r < 0.95 else rng.randint(1, 200)
        self.int_digits = rand_digits(rng, min(ni, max_int if r < 0.95 else 200))
        if rng.random() < 0.15:
            self.int_digits = "0" * rng.randint(1, 4) + self.int_digits
        self.point = rng.random() < 0.8
        self.frac_digits = rand_digits(rng, rng.randint(0, max_frac)) if self.point else ""
        if self.point and rng.random() < 0.2:
            self.frac_digits += "0" * rng.randint(1, 5)
        self.exponent = None
        if rng.random() < 0.15:
            self.exponent = (rng.random() < 0.5, rand_digits(rng, rng.randint(0, 2)))
        self.text = self._render(rng, lenient)

    def _render(self, rng, lenient):
        parts = []
        # A sign anywhere in the integer phase; the last one counts.
        if self.negative or rng.random() < 0.3:
            parts.append("-" if self.negative else "+")
        for ch in self.int_digits:
            if lenient and rng.random() < 0.05:
                parts.append(rng.choice(WS))
            parts.append(ch)
        if lenient and rng.random() < 0.05:
            # A sign after the digits still counts for the whole value.
            parts.append("-" if self.negative else "+")
        if self.point:
            parts.append(".")
            for ch in self.frac_digits:
                if lenient and rng.random() < 0.03:
                    parts.append(rng.choice(WS))
                parts.append(ch)
        if self.exponent is not None:
            neg, digits = self.exponent
            parts.append(rng.choice("eE"))
            if lenient and rng.random() < 0.3:
                parts.append(rng.choice(WS))
            if neg or rng.random() < 0.3:
                parts.append("-" if neg else "+")
            parts.append(digits)
        if lenient and rng.random() < 0.1:
            parts.insert(0, rng.choice(WS))
        if lenient and self.exponent is None and rng.random() < 0.1:
            parts.append(rng.choice(WS))
        return "".join(parts)

    def value(self):
        exp = 0
        if self.exponent is not None:
            neg, digits = self.exponent
            exp = int(digits or "0") * (-1 if neg else 1)
        return Decimal((1 if self.negative else 0,
                        tuple(int(c) for c in (self.int_digits + self.frac_digits) or "0"),
                        -len(self.frac_digits))).scaleb(exp)

    def parsed(self, places):
        """(value, printed text) after CDecimal parsing with `places` in force."""
        return fit(self.value(), places)

    def read_text(self, places):
        """The text CDecimal prints for this text read with `places` in force:
        the places written (trailing zeros kept) when within the maximum."""
        v = self.value()
        if -v.as_tuple().exponent > places:
            return fit(v, places)[1]
        text = format(v, "f")
        return text.lstrip("-") if v == 0 else text


def rand_places(rng):
    return 30 if rng.random() < 0.7 else rng.choice([0, 1, 2, 3, 5, 9, 10, 18, 40])


# ------------------------------------------------------------ case makers

# Pairs every run checks: the signs of truncating division, a zero dividend,
# and operands on which an estimated quotient limb survives both corrections.
FIXED_PAIRS = [(-7, 2), (7, -2), (0, -2), (3, 7), (1, 0), (10**90 - 1, 10**45 + 1),
               (150084035946431421557933580771769706338470565917174515891609015539105810974,
                659623988654657707983020541337478681012316284512856310175064)]


def big_cases(rng, n, out):
    for i in range(n + len(FIXED_PAIRS)):
        a, b = FIXED_PAIRS[i] if i < len(FIXED_PAIRS) else (rand_int(rng), rand_int(rng))
        if i >= len(FIXED_PAIRS) and rng.random() < 0.3:
            # Quotient and remainder of a known shape.
            b = rand_int(rng) or 7
            a = b * rand_int(rng) + trunc_div(b, rng.choice([1, 2, 3, -2])) + rng.randint(-2, 2)
        out.append(("badd", str(a), str(b), str(a + b)))
        out.append(("bsub", str(a), str(b), str(a - b)))
        out.append(("bmul", str(a), str(b), str(a * b)))
        if b == 0:
            out.append(("bdiv", str(a), str(b), MSG_DIV))
            out.append(("bmod", str(a), str(b), MSG_MOD))
            out.append(("bdivassign", str(a), str(b), MSG_DIV_ASSIGN))
            out.append(("bmodassign", str(a), str(b), MSG_MOD_ASSIGN))
        else:
            q = trunc_div(a, b)
            out.append(("bdiv", str(a), str(b), str(q)))
            out.append(("bmod", str(a), str(b), str(a - b * q)))
        out.append(("bcmp", str(a), str(b), str((a > b) - (a < b))))
    for i in range(n // 3):
        v = rand_int(rng)
        if rng.random() < 0.3:
            r = abs(rand_int(rng))
            v = r * r + rng.choice([-1, 0, 1, 2 * r])
        if i < 6:
            v = [99, 100, 1, 0, -1, (10**500 + 1)**2 - 1][i]
        if v < 0:
            exp = MSG_SQRT
        elif v == 0:
            exp = MSG_DIV
        else:
            exp = str(math.isqrt(v))
        out.append(("bsqrt", str(v), exp))
    for v in special_ints() + [rand_int(rng) for _ in range(n // 3)]:
        out.append(("bint32", str(v), str(v) if INT32[0] <= v <= INT32[1] else MSG_DOMAIN))
        out.append(("bint64", str(v), str(v) if INT64[0] <= v <= INT64[1] else MSG_DOMAIN))
        if INT64[0] <= v <= 2**64 - 1:
            out.append(("bfromnative", str(v), str(v)))


def big_parse_cases(rng, n, out):
    for _ in range(n):
        v = rand_int(rng)
        digits = "0" * rng.randint(0, 3) * (rng.random() < 0.3) + str(abs(v))
        text = (" " * rng.randint(0, 3) + ("-" if v < 0 else "") + digits +
                " " * rng.randint(0, 3))
        out.append(("bparse", text, str(v)))
        # Anything else goes through the decimal syntax and is rounded.
        d = DecText(rng, max_int=30, max_frac=45)
        out.append(("bparse", d.text, str(round_half_down_int(d.parsed(30)[0]))))


def double_cases(rng, n, out):
    import struct
    for _ in range(n):
        r = rng.random()
        if r < 0.3:
            x = rng.uniform(-1000, 1000)
        elif r < 0.5:
            x = rng.randint(-10**6, 10**6) + rng.choice([0.5, -0.5, 0.25, 0.75])
        elif r < 0.8:
            x = struct.unpack("<d", struct.pack("<Q", rng.getrandbits(64)))[0]
            if math.isnan(x) or math.isinf(x):
                x = 1e308
        else:
            x = rng.uniform(-1, 1) * 10.0 ** rng.randint(0, 308)
        out.append(("bfromdouble", repr(x), str(round_half_down_int(x))))
        if abs(x) < 1e300:
            out.append(("dfromdouble", repr(x), canon(Decimal("%.13f" % x))))
    for x in (0.1, 0.5, 1.5, 2.5, -2.5, -2.6, 2.6, 2.0**53 + 1, 2.0**52 + 1, 2.0**64,
              -2.0**63, 1.7e308, float("nan"), 1e20, 2.0**100, 1e300):
        exp = "0" if math.isnan(x) else str(round_half_down_int(x))
        out.append(("bfromdouble", repr(x), exp))
    out.append(("bfromdouble", "inf", "!ERROR: Infinite value in CBigInteger(double)!"))


# (places, a, b) every run checks: sums that must be exact, a quotient just
# above a half whose first 32 places look like an exact half, one whose 30th
# place is a zero, and products and quotients rounded to few places.
FIXED_ARITHMETIC = [
    (30, "0.1", "0.2"), (30, "1.5", "2"), (30, "-0.05", "1"), (30, "12.5", "-0.2"),
    (30, "1.50", "1.5"), (30, "-1.5", "-1.25"), (30, "1e3", "999.999"), (30, "1", "3"),
    (30, "-2", "3"), (30, "0.000000000000000000000000000003", "1.9999999999"),
    (30, "177497967814609585781363026526", "458579291564434183666600762781"), (30, "1", "0.000"),
    (2, "0.5", "0.25"), (3, "0.25", "0.799"), (3, "1", "5.01"), (0, "7", "2")]


def decimal_arith_cases(rng, n, out):
    for i in range(n + len(FIXED_ARITHMETIC)):
        if i < len(FIXED_ARITHMETIC):
            places, ta, tb = FIXED_ARITHMETIC[i]
            va, vb = fit(Decimal(ta), places)[0], fit(Decimal(tb), places)[0]
        else:
            places = rand_places(rng)
            a, b = DecText(rng), DecText(rng)
            if rng.random() < 0.1:
                b = DecText(rng, max_int=3, max_frac=3)
            (va, _), (vb, _), ta, tb = a.parsed(places), b.parsed(places), a.text, b.text
        head = (str(places), ta, tb)
        out.append(("dadd",) + head + (canon(va + vb),))
        out.append(("dsub",) + head + (canon(va - vb),))
        out.append(("dmul",) + head + (fit(va * vb, places)[1],))
        out.append(("ddiv",) + head + (quotient_text(va, vb, places),))
        out.append(("dcmp",) + head + (str((va > vb) - (va < vb)),))


def quotient_text(a, b, places):
    """Division result: exact when it ends within `places`, else rounded once
    from the exact quotient, keeping the zeros that rounding leaves."""
    if b == 0:
        return MSG_DIV
    q = Fraction(a) / Fraction(b)
    if (q * 10**places).denominator == 1:
        return canon(Decimal(int(q * 10**places)).scaleb(-places))
    v = Decimal(round_half_down_int(q * 10**places)).scaleb(-places)
    return str(int(v)) if v == v.to_integral_value() else format(v, "f")


def decimal_parse_cases(rng, n, out):
    for _ in range(n):
        places = rand_places(rng)
        d = DecText(rng, max_frac=45)
        out.append(("dparse", str(places), d.text, d.read_text(places)))
        # A character the syntax does not know fails exactly where it stands.
        pos = rng.randint(0, len(d.text))
        bad = d.text[:pos] + rng.choice("x#,/_") + d.text[pos:]
        out.append(("dparse", str(places), bad, MSG_BADCHAR % (pos, bad)))
        if d.exponent is not None and d.exponent[1]:
            bad = d.text + rng.choice(WS)
            out.append(("dparse", str(places), bad, MSG_BADCHAR % (len(d.text), bad)))


def to_string_places(v, places):
    s = -1 if v < 0 else 1
    total = v + s * Decimal(5).scaleb(-(places + 1))
    shown = min(places, max(frac_digits(total), 1))
    q = quantize(abs(v), places, ROUND_HALF_UP)
    text = format(q, "f")
    whole, _, fraction = text.partition(".")
    return ("-" if v < 0 else "") + whole + "." + fraction[:shown]


# Texts every run converts (at 30 places): halves, native limits and the
# places that ToString(places) must show after rationalising the rounding sum.
FIXED_CONVERSIONS = ["1.005", "-1.005", "1.004", "2.5", "-2.5", "1.5", "-0.001", "0", "0.995",
                     "1.2395", "1.23951", "2.6", "-2.6", "2.96", "-2.96", "-2.51", "0.1",
                     "-123.456e-2", "1.7E+308", "1.8E+308", "3000000000", "2147483647.6",
                     "-2147483648.4", "-9223372036854775808", "9223372036854775807.96", "-1e30"]


def decimal_convert_cases(rng, n, out):
    for i in range(n + len(FIXED_CONVERSIONS) * 4):
        if i < len(FIXED_CONVERSIONS) * 4:
            places, text = 30, FIXED_CONVERSIONS[i // 4]
            v, p = Decimal(text), [0, 2, 3, 4][i % 4]
        else:
            places = rand_places(rng)
            d = DecText(rng, max_int=rng.choice([5, 12, 20, 40]))
            v, text = d.parsed(places)[0], d.text
            p = rng.randint(0, 35)
        head = (str(places), text)
        out.append(("dtostr",) + head + (str(p), to_string_places(v, p)))
        whole = int(quantize(v, 0, ROUND_HALF_DOWN))
        out.append(("dbigint",) + head + (str(whole),))
        out.append(("dlong",) + head + (str(whole) if INT32[0] <= whole <= INT32[1] else MSG_LONG,))
        tenths = int(quantize(v, 1, ROUND_HALF_DOWN))  # int() truncates
        out.append(("dlonglong",) + head +
                   (str(tenths) if INT64[0] <= tenths <= INT64[1] else MSG_LONGLONG,))
        if abs(int(v)) > MAX_DOUBLE_INT:
            out.append(("ddouble",) + head + (MSG_DOUBLE,))
        else:
            out.append(("ddouble",) + head + (repr(float(v)),))


def expected_int32(text, kind):
    """i4FromString / ui4FromString: strtol / strtoul with a 32-bit range."""
    m = re.match(r"[ \t\n\v\f]*([+-]?)([0-9]+)", text)
    if not m:
        return "0" if not text else "!The value [%s] can not be converted to a %s" % (text, kind)
    magnitude, negative = int(m.group(2)), m.group(1) == "-"
    value = -magnitude if negative and kind == "i4" else magnitude
    if not (INT32[0] <= value <= INT32[1] if kind == "i4" else value < 2**32):
        return "!The value [%s] is to large to fit in a %s" % (text, kind)
    if m.end() != len(text):
        return "!The value [%s] can not be converted to a %s" % (text, kind)
    return str(-value % 2**32 if negative and kind == "ui4" else value)


def int32_cases(rng, n, out):
    texts = ["", "0", "-0", "+5", "007", " 12", "12abc", "abc", "-", "+", " ", "0x10", "1 2",
             "\t-12\n", "\v7", "99999999999999999999999"]
    texts += [str(s * v) for v in (2**31 - 1, 2**31, 2**32 - 1, 2**32, 2**63 - 1, 2**63, 2**64)
              for s in (1, -1)]
    for _ in range(n):
        v = rng.choice([2**31, 2**32, 2**63, rng.randint(0, 10**12)]) + rng.randint(-3, 3)
        texts.append(rng.choice(["", "-", "+", " "]) + str(v) + rng.choice(["", "", " ", "x"]))
    for text in texts:
        out.append(("i4", text, expected_int32(text, "i4")))
        out.append(("ui4", text, expected_int32(text, "ui4")))


def main():
    seed, count, path = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    rng = random.Random(seed)
    cases = []
    for family, n in ((big_cases, count), (big_parse_cases, count), (double_cases, count // 2),
                      (int32_cases, count // 5),
                      (decimal_arith_cases, count), (decimal_parse_cases, count),
                      (decimal_convert_cases, count)):
        family(rng, n, cases)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("# seed %d count %d\n" % (seed, count))
        for case in cases:
            f.write("\t".join(esc(x) for x in case) + "\n")


if __name__ == "__main__":
    main()
