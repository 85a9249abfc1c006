#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace nodeloom {

// Accumulates values into one hash, in the order they are fed. Types that hash by content feed
// their fields into a Hasher, so that a composite (a gradient and its colours) hashes the same
// way as its parts.
class Hasher {
public:
    void combine(std::uint64_t value) {
        // splitmix64 finaliser over the running state: cheap and mixes every input bit.
        std::uint64_t z = state_ + 0x9E3779B97F4A7C15ULL + value;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        state_ = z ^ (z >> 31);
    }

    // Feeds the bit pattern of the number, with -0 taken as +0 so that numbers that compare
    // equal hash equally.
    void combine(double value) {
        if (value == 0.0) value = 0.0;
        combine(std::bit_cast<std::uint64_t>(value));
    }

    std::size_t finalize() const { return static_cast<std::size_t>(state_); }

private:
    std::uint64_t state_ = 0;
};

}  // namespace nodeloom
