"""Bradley-Terry ratings fitted by maximum likelihood, with a first-seat advantage, and
bootstrap intervals over matches.

Model: the entry in the first seat, i, beats the entry in the second, j, with probability
logistic(r[i] - r[j] + h). A draw counts half a win for each side. Ratings are natural-log
odds; r[anchor] is held at 0 (the others are measured against it). `prior_draws` adds that many
drawn games to every ordered pair, which keeps ratings finite when an entry wins or loses every
match (0 gives the plain maximum-likelihood fit)."""
import numpy as np
from scipy.optimize import minimize
from scipy.special import expit, log_expit


def pair_counts(first, second, score, n_entries, weights=None):
    """Matches and first-seat points per ordered pair, as n_entries x n_entries arrays."""
    first = np.asarray(first, dtype=int)
    second = np.asarray(second, dtype=int)
    score = np.asarray(score, dtype=float)
    w = np.ones(len(first)) if weights is None else np.asarray(weights, dtype=float)
    cell = first * n_entries + second
    size = n_entries * n_entries
    games = np.bincount(cell, weights=w, minlength=size).reshape(n_entries, n_entries)
    points = np.bincount(cell, weights=w * score, minlength=size).reshape(n_entries, n_entries)
    return games, points


def fit_counts(games, points, anchor=0, prior_draws=0.0):
    """(ratings, advantage) maximising the likelihood of the pair counts."""
    n = games.shape[0]
    off = ~np.eye(n, dtype=bool)
    games = games + prior_draws * off
    points = points + 0.5 * prior_draws * off
    losses = games - points
    free = [k for k in range(n) if k != anchor]

    def unpack(x):
        r = np.zeros(n)
        r[free] = x[:-1]
        return r, x[-1]

    def objective(x):
        r, h = unpack(x)
        z = r[:, None] - r[None, :] + h
        nll = -np.sum(points * log_expit(z) + losses * log_expit(-z))
        # d(nll)/dz for every ordered pair: expected first-seat points minus actual.
        g = games * expit(z) - points
        grad_r = g.sum(axis=1) - g.sum(axis=0)
        return nll, np.append(grad_r[free], g.sum())

    result = minimize(objective, np.zeros(n), jac=True, method="BFGS",
                      options={"gtol": 1e-10, "maxiter": 10000})
    return unpack(result.x)


def fit(first, second, score, n_entries, anchor=0, prior_draws=0.0):
    games, points = pair_counts(first, second, score, n_entries)
    return fit_counts(games, points, anchor, prior_draws)


def bootstrap(first, second, score, n_entries, replicates, seed, anchor=0, prior_draws=0.0):
    """Ratings and advantages refitted on `replicates` resamplings of the matches (drawn with
    replacement), as a replicates x n_entries array and a replicates array."""
    rng = np.random.default_rng(seed)
    m = len(first)
    ratings = np.empty((replicates, n_entries))
    advantages = np.empty(replicates)
    for b in range(replicates):
        weights = rng.multinomial(m, np.full(m, 1.0 / m))
        games, points = pair_counts(first, second, score, n_entries, weights)
        ratings[b], advantages[b] = fit_counts(games, points, anchor, prior_draws)
    return ratings, advantages


def interval(samples, level=0.95):
    """The percentile interval (low, high) of samples along their first axis."""
    tail = (1.0 - level) / 2.0 * 100.0
    low, high = np.percentile(samples, [tail, 100.0 - tail], axis=0)
    return low, high
