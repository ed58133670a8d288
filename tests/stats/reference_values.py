#!/usr/bin/env python3
"""Reference values of the analysis tests, from the definitions, with exact fractions.

Each data set is a list of (group, pattern, count): group 0 reference, 1 focal; a pattern holds
one character per item, '0', '1' or '.' (missing). Every examinee's matching score and every
level table are counted from the patterns directly; the odds ratio, expected counts, variance
and chi-square are exact fractions; only the logarithm, square root and the chi-square tail
(erfc) are taken in floating point. Run: python3 tests/stats/reference_values.py
"""
from fractions import Fraction as F
import math

D1 = [(0, "000", 3), (0, "100", 4), (0, "010", 2), (0, "001", 1), (0, "110", 5), (0, "101", 3),
      (0, "011", 2), (0, "111", 4),
      (1, "000", 4), (1, "100", 2), (1, "010", 3), (1, "001", 2), (1, "110", 2), (1, "101", 1),
      (1, "011", 4), (1, "111", 2)]
D2 = [(0, "1.0", 2), (0, "11.", 1), (0, ".11", 2), (0, "000", 3), (0, "110", 4), (0, "101", 2),
      (0, "111", 3), (0, "010", 2), (0, "001", 1),
      (1, ".00", 2), (1, "1.1", 1), (1, "0.0", 1), (1, "000", 2), (1, "100", 3), (1, "011", 2),
      (1, "111", 2), (1, "010", 3), (1, "110", 1)]


def tables(data, item, policy, levels, matching):
    """Level tables [A, B, C, D] of `item`, and n and correct counts by group."""
    rows = [[0, 0, 0, 0] for _ in levels]
    n = [0, 0]
    correct = [0, 0]
    for group, pattern, count in data:
        if policy == "listwise" and "." in pattern:
            continue
        own = pattern[item]
        if own == "." and policy == "excluded":
            continue
        x = 1 if own == "1" else 0
        score = sum(1 for j, c in enumerate(pattern) if j in matching and c == "1")
        if item not in matching:
            score += x
        n[group] += count
        correct[group] += count * x
        for k, (low, high) in enumerate(levels):
            if low <= score <= high:
                rows[k][(0 if x else 1) + 2 * group] += count
    return rows, n, correct


def mh(rows, min_per_group):
    used = [r for r in rows if r[0] + r[1] >= min_per_group and r[2] + r[3] >= min_per_group]
    ad = sum(F(a * d, a + b + c + d) for a, b, c, d in used)
    bc = sum(F(b * c, a + b + c + d) for a, b, c, d in used)
    obs = sum(a for a, b, c, d in used)
    exp = sum(F((a + c) * (a + b), a + b + c + d) for a, b, c, d in used)
    var = sum(F((a + b) * (c + d) * (a + c) * (b + d), (a + b + c + d) ** 2 * (a + b + c + d - 1))
              for a, b, c, d in used)
    diff = abs(obs - exp)
    cc = F(1, 2) if diff >= F(1, 2) else 0
    chi = (diff - cc) ** 2 / var
    p = math.erfc(math.sqrt(float(chi) / 2))
    out = {"chi": chi, "p": p, "ad": ad, "bc": bc}
    if ad > 0 and bc > 0:
        alpha = ad / bc
        rbg = sum(F(1, 2 * (a + b + c + d) ** 2) * (a * d + alpha * b * c) * (a + d + (b + c) * alpha)
                  for a, b, c, d in used)
        se = math.sqrt(rbg) / float(ad)
        la = math.log(float(alpha))
        out.update(alpha=alpha, se=se, d=-2.35 * la, dse=2.35 * se,
                   low=math.exp(la - 1.959964 * se), high=math.exp(la + 1.959964 * se))
    return out


def show(title, values):
    print(title)
    for key, value in values.items():
        print(f"  {key} = {value!r}" + (f" = {float(value)!r}" if isinstance(value, F) else ""))


thin3 = [(t, t) for t in range(4)]
rows, n, c = tables(D1, 0, "excluded", thin3, {0, 1, 2})
print("D1 item 0 rows", rows, n, c)
show("D1 item 0, min 1", mh(rows, 1))
show("D1 item 0, min 3", mh(rows, 3))
rows, n, c = tables(D1, 2, "excluded", thin3, {0, 1, 2})
print("D1 item 2 rows", rows, n, c)
show("D1 item 2", mh(rows, 1))
rows, n, c = tables(D1, 1, "excluded", [(0, 1), (2, 3)], {0, 1, 2})
print("D1 item 1 levels 0-1,2-3 rows", rows)
show("D1 item 1 levels 0-1,2-3", mh(rows, 1))
for policy in ("excluded", "incorrect", "listwise"):
    for item in (0, 1):
        rows, n, c = tables(D2, item, policy, thin3, {0, 1, 2})
        print(f"D2 {policy} item {item} rows", rows, "n", n, "correct", c)
        show(f"D2 {policy} item {item}", mh(rows, 1))
# Counting with item q2 outside the matching set {q1, q3}: q2 is matched on the sum plus its own
# score, q1 on the sum alone.
for policy in ("excluded", "incorrect", "listwise"):
    for item in (0, 1):
        rows, n, c = tables(D2, item, policy, thin3, {0, 2})
        print(f"D2 {policy} matching q1,q3: item {item} rows", rows)
