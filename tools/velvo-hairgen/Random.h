#pragma once
// A small seeded generator and value noise of our own, so that the sample pictures come out
// the same on every machine and standard library (std distributions are not portable).
#include <cmath>
#include <cstdint>

namespace velvo::hairgen {

class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Roughly normal (sum of four uniforms), mean 0, standard deviation about 1.
    double gaussian() { return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.732; }

private:
    uint64_t state_;
};

inline double hashUnit(uint64_t seed, int64_t i) {
    Random r(seed * 0x2545F4914F6CDD1Dull + uint64_t(i) * 0x9E3779B97F4A7C15ull);
    return r.uniform();
}

// Smooth 1-D value noise in [-1, 1]; features about one unit of x apart.
inline double noise1(uint64_t seed, double x) {
    const double f = std::floor(x);
    const double t = x - f;
    const double s = t * t * (3 - 2 * t);
    const double a = hashUnit(seed, int64_t(f));
    const double b = hashUnit(seed, int64_t(f) + 1);
    return (a + (b - a) * s) * 2 - 1;
}

inline double clamp01(double v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

inline double smoothstep(double e0, double e1, double x) {
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

} // namespace velvo::hairgen
