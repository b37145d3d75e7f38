// A small pseudo-random generator for protocol back-off delays (for example
// the random delay before an address claim). Not for cryptographic use.
#pragma once

#include <cstdint>

class Random {
public:
    Random();

    // Seeds from the clock, the process id and the object's address, so that
    // two nodes started together draw different sequences.
    void init();
    // Seeds with a fixed value: the same seed gives the same sequence.
    void init(uint32_t seed);

    // The next value, 0 to 0x7FFFFFFF. One generator is meant for one thread
    // (or for callers that hold their owner's lock).
    unsigned rand();

private:
    uint64_t state_;
};
