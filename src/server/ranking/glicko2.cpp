// Glickman's Glicko-2 steps on the internal scale (mu, phi), the volatility found by the
// Illinois variant of regula falsi as his description of the system gives it.
#include "ranking/glicko2.h"

#include <algorithm>
#include <cmath>

namespace kokurin {
namespace ranking {

namespace {

constexpr double scale = 173.7178;
constexpr double centre = 1500.0;
constexpr double convergence = 0.000001;
constexpr double pi = 3.14159265358979323846;

double g(double phi) {
    return 1.0 / std::sqrt(1.0 + 3.0 * phi * phi / (pi * pi));
}

double expected(double mu, double muOpponent, double phiOpponent) {
    return 1.0 / (1.0 + std::exp(-g(phiOpponent) * (mu - muOpponent)));
}

// The new volatility (step 5).
double newVolatility(double sigma, double phi, double v, double delta, double tau) {
    const double a = std::log(sigma * sigma);
    const double phi2 = phi * phi;
    const auto f = [&](double x) {
        const double ex = std::exp(x);
        const double d = phi2 + v + ex;
        return ex * (delta * delta - phi2 - v - ex) / (2.0 * d * d) - (x - a) / (tau * tau);
    };
    double lower = a;
    double upper = 0.0;
    if (delta * delta > phi2 + v) {
        upper = std::log(delta * delta - phi2 - v);
    } else {
        int k = 1;
        while (f(a - k * tau) < 0.0 && k < 1000) {
            ++k;
        }
        upper = a - k * tau;
    }
    double fLower = f(lower);
    double fUpper = f(upper);
    for (int step = 0; std::fabs(upper - lower) > convergence && step < 200; ++step) {
        const double c = lower + (lower - upper) * fLower / (fUpper - fLower);
        const double fC = f(c);
        if (fC * fUpper <= 0.0) {
            lower = upper;
            fLower = fUpper;
        } else {
            fLower /= 2.0;
        }
        upper = c;
        fUpper = fC;
    }
    return std::exp(lower / 2.0);
}

} // namespace

Glicko2Rating newPlayerRating() {
    return Glicko2Rating{};
}

Glicko2Rating updateRating(const Glicko2Rating& player, const std::vector<Glicko2Game>& games,
                           double tau) {
    const double mu = (player.rating - centre) / scale;
    const double phi = player.deviation / scale;
    Glicko2Rating after = player;
    if (games.empty()) {
        const double grown = std::sqrt(phi * phi + player.volatility * player.volatility);
        after.deviation = std::min(grown * scale, maximumDeviation);
        return after;
    }
    double vInverse = 0.0;
    double improvement = 0.0;
    for (const Glicko2Game& game : games) {
        const double muJ = (game.opponent.rating - centre) / scale;
        const double phiJ = game.opponent.deviation / scale;
        const double e = expected(mu, muJ, phiJ);
        vInverse += g(phiJ) * g(phiJ) * e * (1.0 - e);
        improvement += g(phiJ) * (game.score - e);
    }
    const double v = 1.0 / vInverse;
    const double delta = v * improvement;
    const double sigma = newVolatility(player.volatility, phi, v, delta, tau);
    const double phiStar = std::sqrt(phi * phi + sigma * sigma);
    const double phiNew = 1.0 / std::sqrt(1.0 / (phiStar * phiStar) + 1.0 / v);
    const double muNew = mu + phiNew * phiNew * improvement;
    after.rating = muNew * scale + centre;
    after.deviation = std::min(phiNew * scale, maximumDeviation);
    after.volatility = sigma;
    return after;
}

Glicko2Rating afterIdle(const Glicko2Rating& player, std::int64_t idleMs) {
    // A period without games keeps the volatility, so k of them add k times its square.
    Glicko2Rating rating = player;
    if (idleMs < idlePeriodMs) {
        return rating;
    }
    const double periods = static_cast<double>(idleMs / idlePeriodMs);
    const double phi = player.deviation / scale;
    const double grown = std::sqrt(phi * phi + periods * player.volatility * player.volatility);
    rating.deviation = std::min(grown * scale, maximumDeviation);
    return rating;
}

void rateMatch(const Glicko2Rating& first, const Glicko2Rating& second, double firstScore,
               Glicko2Rating& firstAfter, Glicko2Rating& secondAfter) {
    firstAfter = updateRating(first, {Glicko2Game{second, firstScore}});
    secondAfter = updateRating(second, {Glicko2Game{first, 1.0 - firstScore}});
}

} // namespace ranking
} // namespace kokurin
