#!/usr/bin/env python3
"""The strength table's Bradley-Terry fit on small cases whose answer is known by hand, and the
tiering of the table."""
import math
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "strength"))

import bradley_terry as bt  # noqa: E402
import strength_table  # noqa: E402


def matches(i, j, first_wins, first_games, second_wins, second_games):
    """i first against j: first_wins of first_games; j first against i: second_wins of
    second_games (wins of the first seat). As (first, second, score) lists."""
    f, s, sc = [], [], []
    for k in range(first_games):
        f.append(i), s.append(j), sc.append(1.0 if k < first_wins else 0.0)
    for k in range(second_games):
        f.append(j), s.append(i), sc.append(1.0 if k < second_wins else 0.0)
    return f, s, sc


def join(*parts):
    return tuple(sum((list(p[n]) for p in parts), []) for n in range(3))


class FitTest(unittest.TestCase):
    def test_three_players_whose_results_match_strengths_4_2_1_exactly(self):
        # Odds 2:1 for A over B and B over C, 4:1 for A over C, each split evenly over the seats
        # (the first seat wins exactly half): the likelihood is maximal at ln 4, ln 2, 0 and no
        # seat advantage.
        f, s, sc = join(matches(0, 1, 4, 6, 2, 6), matches(1, 2, 4, 6, 2, 6),
                        matches(0, 2, 4, 5, 1, 5))
        ratings, advantage = bt.fit(f, s, sc, 3, anchor=2)
        self.assertAlmostEqual(ratings[0], math.log(4), places=6)
        self.assertAlmostEqual(ratings[1], math.log(2), places=6)
        self.assertEqual(ratings[2], 0.0)
        self.assertAlmostEqual(advantage, 0.0, places=6)

    def test_two_players_with_a_first_seat_advantage(self):
        # A first wins 9 of 12 against B; B first wins 6 of 12 against A. The model is then
        # saturated: logistic(d + h) = 3/4 and logistic(h - d) = 1/2, so d = h = ln(3) / 2.
        f, s, sc = matches(0, 1, 9, 12, 6, 12)
        ratings, advantage = bt.fit(f, s, sc, 2, anchor=1)
        self.assertAlmostEqual(ratings[0], math.log(3) / 2, places=6)
        self.assertAlmostEqual(advantage, math.log(3) / 2, places=6)
        # A draw is half a win for each side: 9 wins and 2 draws score as 10 of 12.
        sc_draws = list(sc)
        sc_draws[9] = sc_draws[10] = 0.5
        drawn, drawn_advantage = bt.fit(f, s, sc_draws, 2, anchor=1)
        logit = lambda p: math.log(p / (1 - p))  # noqa: E731
        self.assertAlmostEqual(drawn[0], (logit(10 / 12) - logit(1 / 2)) / 2, places=6)

    def test_virtual_draws_keep_a_perfect_record_finite(self):
        # 10 of 10 in both seats: one virtual draw per ordered pair makes it 10.5 of 11 each way,
        # so d = logit(10.5 / 11) = ln 21 and h = 0.
        f, s, sc = matches(0, 1, 10, 10, 0, 10)
        ratings, advantage = bt.fit(f, s, sc, 2, anchor=1, prior_draws=1.0)
        self.assertAlmostEqual(ratings[0], math.log(21), places=5)
        self.assertAlmostEqual(advantage, 0.0, places=5)

    def test_bootstrap_interval_holds_the_fit_and_narrows_with_more_matches(self):
        small = join(*[matches(0, 1, 6, 10, 4, 10)] * 4)
        large = join(*[matches(0, 1, 6, 10, 4, 10)] * 64)
        widths = []
        for f, s, sc in (small, large):
            rating, _ = bt.fit(f, s, sc, 2, anchor=1)
            samples, _ = bt.bootstrap(f, s, sc, 2, 300, seed=1, anchor=1)
            low, high = bt.interval(samples)
            self.assertLess(low[0], rating[0])
            self.assertGreater(high[0], rating[0])
            widths.append(high[0] - low[0])
        # Sixteen times the matches: about a quarter of the width.
        self.assertLess(widths[1], widths[0] * 0.4)
        self.assertGreater(widths[1], widths[0] * 0.15)


class TierTest(unittest.TestCase):
    def test_tiers_start_after_the_three_widest_gaps(self):
        rating = {1: 900, 2: 880, 3: 500, 4: 470, 5: 460, 6: 100, 7: 90, 8: -200}
        order = sorted(rating, key=lambda e: -rating[e])
        self.assertEqual(strength_table.tier_cuts(order, rating), [2, 5, 7])


if __name__ == "__main__":
    unittest.main()
