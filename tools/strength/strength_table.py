#!/usr/bin/env python3
"""Strength table of the computer personalities from a kokurin-sim tournament.

  strength_table.py RESULTS.csv --repo DIR [--seconds T] [--cpu-seconds C] [--jobs J]
                    [--command TEXT]

Fits Bradley-Terry ratings (with a first-seat advantage) to the tournament's matches, takes 95%
intervals from a bootstrap over matches, splits the fifteen personalities into four tiers
(gentle, fair, strong, fierce) by the least spread of ratings within each tier, and writes
docs/strength.csv, docs/strength.md, docs/strength.png and the opponents' table in README.md
(between its strength-table markers). Ratings are Elo points against the scripted novice (0):
+400 means winning ten matches to one against it."""
import argparse
import csv
import math
import os
import re
import sys
import tempfile

import numpy as np

import bradley_terry as bt

ELO = 400.0 / math.log(10.0)
NOVICE = 0
ENTRIES = 16
TIERS = ["gentle", "fair", "strong", "fierce"]
REPLICATES = 1000
BOOTSTRAP_SEED = 20261208
PRIOR_DRAWS = 1.0
README_BEGIN = "<!-- strength table begin (tools/strength/make-table.sh writes this) -->"
README_END = "<!-- strength table end -->"


def read_results(path):
    first, second, score, frames = [], [], [], []
    draws = 0
    with open(path, newline="") as f:
        rows = csv.DictReader(f)
        if rows.fieldnames != ["seed", "first", "second", "winner", "frames"]:
            raise ValueError("%s is not a kokurin-sim tournament (header %r)" % (path, rows.fieldnames))
        for row in rows:
            first.append(int(row["first"]))
            second.append(int(row["second"]))
            winner = row["winner"]
            if winner == "draw":
                draws += 1
            score.append({"1": 1.0, "2": 0.0, "draw": 0.5}[winner])
            frames.append(int(row["frames"]))
    if not first:
        raise ValueError("%s holds no matches" % path)
    return np.array(first), np.array(second), np.array(score), np.array(frames), draws


def roster_names(repo):
    names = {}
    with open(os.path.join(repo, "src", "screens", "roster.def"), encoding="utf-8") as f:
        for m in re.finditer(r'ROSTER_ENTRY\((\d+),\s*"([^"]*)"', f.read()):
            names[int(m.group(1))] = m.group(2)
    names[NOVICE] = "novice (scripted human)"
    return names


def tier_cuts(order, rating):
    """Indexes k into `order` (strongest first) at which a new tier starts: the split into four
    runs of neighbours with the least spread within them (the sum of squared distances to each
    tier's mean, minimised exactly by dynamic programming)."""
    values = [rating[e] for e in order]
    n = len(values)

    def spread(i, j):
        part = values[i:j]
        mean = sum(part) / len(part)
        return sum((v - mean) ** 2 for v in part)

    tiers = len(TIERS)
    # best[t][j]: least spread of values[:j] in t tiers, and where the last tier starts.
    best = [[(math.inf, 0)] * (n + 1) for _ in range(tiers + 1)]
    best[0][0] = (0.0, 0)
    for t in range(1, tiers + 1):
        for j in range(t, n + 1):
            best[t][j] = min((best[t - 1][i][0] + spread(i, j), i) for i in range(t - 1, j))
    cuts = []
    j = n
    for t in range(tiers, 1, -1):
        j = best[t][j][1]
        cuts.append(j)
    return sorted(cuts)


def points_against(first, second, score, entry, other=None):
    """Points and matches of `entry` (against `other`, or anyone)."""
    as_first = first == entry
    as_second = second == entry
    if other is not None:
        as_first &= second == other
        as_second &= first == other
    points = score[as_first].sum() + (1.0 - score[as_second]).sum()
    return points, int(as_first.sum() + as_second.sum())


def write_atomically(path, data, mode="w"):
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".strength-")
    try:
        with os.fdopen(fd, mode, **({"encoding": "utf-8"} if "b" not in mode else {})) as f:
            f.write(data)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


def plot(path, order, rating, low, high, tier_of, names):
    import matplotlib

    matplotlib.use("Agg")
    from matplotlib import font_manager
    import matplotlib.pyplot as plt

    face = None
    for candidate in ["/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
                      "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"]:
        if os.path.exists(candidate):
            font_manager.fontManager.addfont(candidate)
            face = font_manager.FontProperties(fname=candidate).get_name()
            break
    if face:
        plt.rcParams["font.family"] = face
    colours = {"gentle": "#4a9a5b", "fair": "#3b73b9", "strong": "#d08a1e", "fierce": "#c23b3b",
               None: "#777777"}
    fig, ax = plt.subplots(figsize=(8, 6), dpi=100)
    shown = list(reversed(order))  # strongest at the top
    for y, e in enumerate(shown):
        colour = colours[tier_of.get(e)]
        ax.errorbar(rating[e], y, xerr=[[rating[e] - low[e]], [high[e] - rating[e]]], fmt="o",
                    color=colour, ecolor=colour, capsize=3)
    ax.set_yticks(range(len(shown)))
    ax.set_yticklabels(["%d %s" % (e, names[e]) if e != NOVICE else "novice" for e in shown])
    ax.axvline(0.0, color="#999999", linewidth=0.8, linestyle="--")
    ax.set_xlabel("Elo points against the scripted novice (95% bootstrap interval)")
    ax.set_title("kokurin: strength of the computer personalities")
    handles = [plt.Line2D([], [], marker="o", linestyle="", color=colours[t], label=t)
               for t in reversed(TIERS)]
    ax.legend(handles=handles, loc="lower right")
    ax.grid(axis="x", alpha=0.3)
    fig.tight_layout()
    folder = os.path.dirname(os.path.abspath(path))
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".strength-", suffix=".png")
    os.close(fd)
    try:
        fig.savefig(temp, metadata={"Software": None})
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise
    plt.close(fig)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results")
    parser.add_argument("--repo", required=True)
    parser.add_argument("--seconds", type=float, default=None)
    parser.add_argument("--cpu-seconds", type=float, default=None)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--command", default=None)
    args = parser.parse_args()

    first, second, score, frames, draws = read_results(args.results)
    names = roster_names(args.repo)
    fitted, advantage = bt.fit(first, second, score, ENTRIES, NOVICE, PRIOR_DRAWS)
    samples, adv_samples = bt.bootstrap(first, second, score, ENTRIES, REPLICATES,
                                        BOOTSTRAP_SEED, NOVICE, PRIOR_DRAWS)
    samples, adv_samples = samples * ELO, adv_samples * ELO
    rating = fitted * ELO
    low, high = bt.interval(samples)
    adv_interval = bt.interval(adv_samples)

    personalities = [e for e in range(ENTRIES) if e != NOVICE]
    order = sorted(personalities, key=lambda e: -rating[e])
    cuts = tier_cuts(order, rating)
    tier_of = {}
    tier = len(TIERS) - 1
    for k, e in enumerate(order):
        if k in cuts:
            tier -= 1
        tier_of[e] = TIERS[tier]

    # Each cut claims the entry above it is stronger than the one below: the interval of the
    # difference of their ratings (from the same resamplings, so the anchor's own uncertainty,
    # which both ratings share, drops out) must stay above zero. Intervals narrow as
    # 1 / sqrt(matches), which gives the matches each cut needs.
    matches = len(first)
    claims = []
    for k in cuts:
        above, below = order[k - 1], order[k]
        gap = rating[above] - rating[below]
        gap_low, gap_high = bt.interval(samples[:, above] - samples[:, below])
        reach = gap - gap_low
        claims.append((above, below, gap, gap_low, gap_high, gap_low > 0.0,
                       int(math.ceil(matches * (reach / gap) ** 2))))
    needed = max(c[6] for c in claims)

    table = []
    for rank, e in enumerate(order + [NOVICE], start=1):
        won, played = points_against(first, second, score, e)
        if e == NOVICE:
            vs_novice, vs_novice_n = float("nan"), 0
        else:
            p, vs_novice_n = points_against(first, second, score, e, NOVICE)
            vs_novice = p / vs_novice_n
        table.append({"rank": rank if e != NOVICE else "", "entry": e, "name": names[e],
                      "tier": tier_of.get(e, ""), "rating": rating[e], "low": low[e],
                      "high": high[e], "win_rate": won / played, "matches": played,
                      "win_rate_vs_novice": vs_novice, "matches_vs_novice": vs_novice_n})

    docs = os.path.join(args.repo, "docs")
    lines = ["rank,entry,name,tier,rating,low,high,win_rate,matches,win_rate_vs_novice,"
             "matches_vs_novice"]
    for t in table:
        lines.append("%s,%d,%s,%s,%.0f,%.0f,%.0f,%.3f,%d,%s,%d" % (
            t["rank"], t["entry"], t["name"], t["tier"], t["rating"], t["low"], t["high"],
            t["win_rate"], t["matches"],
            "" if t["entry"] == NOVICE else "%.3f" % t["win_rate_vs_novice"],
            t["matches_vs_novice"]))
    write_atomically(os.path.join(docs, "strength.csv"), "\n".join(lines) + "\n")

    seeds = matches // (ENTRIES * (ENTRIES - 1))
    timing = ""
    if args.seconds:
        timing = "in %.0f s on this 2-core machine" % args.seconds
        if args.cpu_seconds:
            timing += (", %.0f s of processor time over %d threads, so about %.0f s "
                       "when nothing else runs" % (args.cpu_seconds, args.jobs,
                                                   args.cpu_seconds / args.jobs))
    md = ["# Strength of the computer personalities", "",
          "Generated by `bash tools/strength/make-table.sh` from a kokurin-sim tournament"
          + (" (`%s`)" % args.command if args.command else "") + ": %d matches, %d seeds, "
          "every ordered pair of the fifteen personalities and the scripted novice once per "
          "seed%s; %d draws (frame limit)." % (matches, seeds, (", " + timing) if timing else "",
                                               draws), "",
          "Ratings are Bradley-Terry strengths fitted by maximum likelihood (one virtual drawn "
          "game per ordered pair keeps them finite), in Elo points against the scripted novice: "
          "+400 wins ten matches to one against it. Intervals: 95%%, %d bootstrap resamplings "
          "of the matches. The first seat's advantage is %+.0f points (%+.0f .. %+.0f)." % (
              REPLICATES, advantage * ELO, adv_interval[0], adv_interval[1]), "",
          "| Rank | Entry | Name | Strength | Rating | 95% interval | Wins | Wins against the novice |",
          "|---:|---:|---|---|---:|---|---:|---:|"]
    for t in table:
        md.append("| %s | %d | %s | %s | %+.0f | %+.0f .. %+.0f | %.0f%% | %s |" % (
            t["rank"], t["entry"], t["name"], t["tier"], t["rating"], t["low"], t["high"],
            100 * t["win_rate"], "" if t["entry"] == NOVICE else
            "%.0f%% of %d" % (100 * t["win_rate_vs_novice"], t["matches_vs_novice"])))
    md += ["", "The four tiers are the split of the ranking into four runs with the least spread "
           "of ratings within them (squared distances to each tier's mean). Each cut "
           "claims the entry above it is stronger than the one below, which holds when the 95% "
           "interval of their difference (same resamplings) stays above zero:", "",
           "| Above | Below | Gap | 95% interval of the gap | Told apart | Matches it needs |",
           "|---|---|---:|---|---|---:|"]
    for above, below, gap, gap_low, gap_high, separated, need in claims:
        md.append("| %d %s | %d %s | %.0f | %.0f .. %.0f | %s | %d |" % (
            above, names[above], below, names[below], gap, gap_low, gap_high,
            "yes" if separated else "no", need))
    md += ["", "Intervals narrow as one over the square root of the matches, so the tiers "
           "need about %d matches (%d seeds) to be told apart; this table has %d. Neighbours "
           "within a tier are not claimed to differ." % (
               needed, int(math.ceil(needed / (ENTRIES * (ENTRIES - 1)))), matches), "",
           "![Ratings with intervals](strength.png)", ""]
    write_atomically(os.path.join(docs, "strength.md"), "\n".join(md))
    plot(os.path.join(docs, "strength.png"), order + [NOVICE], rating, low, high, tier_of, names)

    # The README's opponents table, in roster order.
    readme_path = os.path.join(args.repo, "README.md")
    with open(readme_path, encoding="utf-8") as f:
        readme = f.read()
    if README_BEGIN not in readme or README_END not in readme:
        sys.exit("strength_table.py: README.md has no strength-table markers")
    roster = ["| Entry | Opponent | Strength | Rating | Wins against a novice |",
              "|---:|---|---|---:|---:|"]
    for e in personalities:
        t = next(t for t in table if t["entry"] == e)
        roster.append("| %d | %s | %s | %+.0f (%+.0f .. %+.0f) | %.0f%% |" % (
            e, names[e], t["tier"], t["rating"], t["low"], t["high"],
            100 * t["win_rate_vs_novice"]))
    roster += ["", "![Strength of the personalities](docs/strength.png)", "",
               "Strength is measured, not guessed: %d matches of a kokurin-sim tournament "
               "(every pair of personalities and a scripted novice human in both seats), rated "
               "by a Bradley-Terry fit in Elo points against the novice with 95%% bootstrap "
               "intervals; [docs/strength.md](docs/strength.md) has the whole table. "
               "`bash tools/strength/make-table.sh` regenerates it%s." % (
                   matches, ("; the tournament ran " + timing) if timing else "")]
    start = readme.index(README_BEGIN) + len(README_BEGIN)
    end = readme.index(README_END)
    readme = readme[:start] + "\n" + "\n".join(roster) + "\n" + readme[end:]
    write_atomically(readme_path, readme)
    print("strength_table.py: %d matches, tiers need about %d" % (matches, needed))


if __name__ == "__main__":
    main()
