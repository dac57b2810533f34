#!/usr/bin/env python3
"""The calibration fit of scripts/eval-suggest on made-up suggestions whose share right is
known: the fit never reads a few wrong suggestions as "never right", its knots compose
exactly, and a share right that only one package shows is not promised to a new one.

    eval_calibration_test.py REPO
"""
import importlib.machinery
import importlib.util
import random
import sys
import unittest

REPO = sys.argv.pop(1) if len(sys.argv) > 1 else "."
_loader = importlib.machinery.SourceFileLoader("eval_suggest", f"{REPO}/scripts/eval-suggest")
_spec = importlib.util.spec_from_loader("eval_suggest", _loader)
ev = importlib.util.module_from_spec(_spec)
_loader.exec_module(ev)  # only the standard library is imported before main()


def outcomes(rng, scores, share):
    return [(s, rng.random() < share(s)) for s in scores]


class Isotonic(unittest.TestCase):
    def test_knots_rise_and_no_block_is_smaller_than_the_least(self):
        rng = random.Random(1)
        points = outcomes(rng, [rng.random() for _ in range(300)], lambda s: 0.4 + 0.5 * s)
        # Two wrong suggestions below every other score would make a block of their own.
        points += [(-1.0, False), (-0.9, False)]
        knots = ev.isotonic(points, z=0.0, min_block=10)
        values = [y for _, y in knots]
        self.assertEqual(values, sorted(values))
        # The first block holds more than the two: its mean score lies among the others'.
        self.assertGreater(knots[0][0], -0.5)
        self.assertGreater(knots[0][1], 0.0)
        self.assertGreater(len(knots), 1)
        # Each knot is the mean score of a block: with blocks of 10 or more there are at most
        # a tenth as many knots as suggestions.
        self.assertLessEqual(len(knots), len(points) // 10)

    def test_suggestions_of_one_score_are_one_block(self):
        # Sorted, the wrong ones of a tie come first and would form a block of "never right".
        tied = [(0.5, False)] * 5 + [(0.5, True)] * 5 + [(0.7, True)] * 10
        self.assertEqual(ev.isotonic(tied, z=0.0, min_block=1), [(0.5, 0.5), (0.7, 1.0)])

    def test_lower_end_claims_less_of_a_small_block(self):
        few = [(0.9, True)] * 12
        many = [(0.9, True)] * 120
        self.assertLess(ev.isotonic(few)[0][1], ev.isotonic(many)[0][1])
        self.assertLess(ev.isotonic(many)[0][1], 1.0)
        self.assertEqual(ev.isotonic(many, z=0.0)[0][1], 1.0)


class Compose(unittest.TestCase):
    def test_composition_is_exact_between_its_knots(self):
        inner = [(0.1, 0.2), (0.4, 0.5), (0.9, 0.95)]
        outer = [(0.3, 0.1), (0.45, 0.6), (0.7, 0.65), (0.8, 0.9)]
        knots = ev.compose(inner, outer)
        for i in range(-10, 111):
            x = i / 100
            self.assertAlmostEqual(ev.apply_fit(knots, x),
                                   ev.apply_fit(outer, ev.apply_fit(inner, x)), places=9)

    def test_the_lower_of_two_fits_follows_each_where_it_is_lower(self):
        a = [(0.0, 0.2), (1.0, 0.8)]
        b = [(0.0, 0.6), (0.5, 0.6), (1.0, 0.7)]
        knots = ev.lower_of(a, b)
        for i in range(101):
            x = i / 100
            self.assertAlmostEqual(ev.apply_fit(knots, x),
                                   min(ev.apply_fit(a, x), ev.apply_fit(b, x)), places=9)

    def test_an_empty_fit_leaves_the_other(self):
        inner = [(0.1, 0.2), (0.9, 0.8)]
        self.assertEqual(ev.compose(inner, []), inner)
        self.assertEqual(ev.compose([], inner), [])


def banded(shares, n=100):
    """Package i's suggestions have scores in a band of their own (higher for higher i) and
    exactly a share shares[i] of them right, spread evenly over the band."""
    out = []
    for i, share in enumerate(shares):
        centre = (i + 0.5) / len(shares)
        for k in range(n):
            right = int((k + 1) * share) > int(k * share)
            out.append(("transition-known", centre + 0.1 * (k / n - 0.5), right, f"p{i}"))
    return out


def first_fit(data):
    return ev.isotonic([(s, r) for _, s, r, _ in data])


class FitCalibration(unittest.TestCase):
    def test_a_share_that_holds_in_one_package_only_is_lowered(self):
        # Seven packages right 60 % of the time and the one with the highest scores 95 %: the
        # fit of all of them promises 95 % at the top, which no other package confirms.
        data = banded([0.6] * 7 + [0.95])
        top = ev.apply_fit(ev.fit_calibration(data)["transition-known"], 0.95)
        self.assertGreater(ev.apply_fit(first_fit(data), 0.95), 0.9)
        self.assertLess(top, 0.75)

    def test_a_share_that_two_packages_agree_on_is_kept(self):
        data = banded([0.6] * 6 + [0.95, 0.95])
        top = ev.apply_fit(ev.fit_calibration(data)["transition-known"], 0.95)
        self.assertGreater(top, 0.9)

    def test_never_above_the_fit_of_every_package(self):
        for shares in ([0.55, 0.6, 0.65, 0.7, 0.75, 0.8, 0.85, 0.9],
                       [0.7, 0.55, 0.85, 0.6, 0.9, 0.65, 0.8, 0.75]):
            data = banded(shares)
            fit = ev.fit_calibration(data)["transition-known"]
            values = [y for _, y in fit]
            self.assertEqual(values, sorted(values))
            for i in range(101):
                self.assertLessEqual(ev.apply_fit(fit, i / 100),
                                     ev.apply_fit(first_fit(data), i / 100) + 1e-9)
        # Where the score truly tells right from wrong on every package, the fit still rises.
        fit = ev.fit_calibration(banded([0.55, 0.6, 0.65, 0.7, 0.75, 0.8, 0.85, 0.9]))
        self.assertGreater(ev.apply_fit(fit["transition-known"], 0.95) -
                           ev.apply_fit(fit["transition-known"], 0.05), 0.2)

    def test_a_kind_seen_in_one_package_gets_the_lower_ends(self):
        data = [("silence-known", 0.5 + i / 100, i % 5 != 0, "only") for i in range(40)]
        fit = ev.fit_calibration(data)
        self.assertEqual(fit["silence-known"], first_fit(data))
        self.assertEqual(fit["transition-known"], [])


if __name__ == "__main__":
    unittest.main()
