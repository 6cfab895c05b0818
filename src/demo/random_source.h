// The demo line's random source: one small generator that gives the same sequence on every
// platform, and the sequence each generation of a moving line draws its changes from.
#pragma once

#include <cstdint>
#include <vector>

namespace lintaro::demo {

// splitmix64: small, fast, and the same sequence on every platform (the standard distributions
// are not), so a seed always gives the same pages.
class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in lo..hi, both included.
    int Between(int lo, int hi) {
        return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }
    bool Percent(int percent) { return Between(0, 99) < percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Next() % items.size()];
    }

  private:
    uint64_t state_;
};

// The random sequence of generation `generation` of a line (`salt` tells the bookmakers apart).
inline Rng GenerationRng(uint64_t salt, uint32_t seed, uint32_t generation) {
    Rng mixer(salt * 0x100000000ull + seed);
    return Rng(mixer.Next() ^ (uint64_t{generation} * 0xD1B54A32D192ED03ull));
}

}  // namespace lintaro::demo
