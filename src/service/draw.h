#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace lexiquill::service {

// SplitMix64: a few arithmetic operations per word, and well spread even for seeds that
// differ in one bit, which the callers' seeds often do.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::size_t below(std::size_t bound)
    {
        // The bias of the remainder is negligible for word lists of a few thousand.
        return static_cast<std::size_t>(next() % bound);
    }

    // The least of three draws below the bound (less than 2^40), from one number: the lower,
    // the likelier.
    std::size_t leastOfThree(std::size_t bound)
    {
        const std::uint64_t bits = next();
        const auto below = [bound](std::uint64_t part) {
            return static_cast<std::size_t>(((part & 0x1FFFFF) * bound) >> 21);
        };
        return std::min({below(bits), below(bits >> 21), below(bits >> 42)});
    }

private:
    std::uint64_t m_state;
};

}  // namespace lexiquill::service
