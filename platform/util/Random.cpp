#include "platform/util/Random.h"

#include <ctime>
#include <unistd.h>

namespace {

// splitmix64: spreads any seed, including 0, over the whole state.
uint64_t mix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

Random::Random() : state_(mix(0)) {}

void Random::init()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t seed = static_cast<uint64_t>(ts.tv_sec) * 1000000000ull
                    + static_cast<uint64_t>(ts.tv_nsec);
    seed ^= static_cast<uint64_t>(getpid()) << 32;
    seed ^= static_cast<uint64_t>(reinterpret_cast<uintptr_t>(this));
    state_ = mix(seed);
}

void Random::init(uint32_t seed)
{
    state_ = mix(seed);
}

unsigned Random::rand()
{
    // xorshift64*; a zero state would stay zero, so it is never left there.
    if (state_ == 0) {
        state_ = mix(1);
    }
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return static_cast<unsigned>((state_ * 0x2545F4914F6CDD1Dull) >> 33);
}
