#include "platform/util/ieee754.h"

#include <cstdint>
#include <cstring>

static_assert(sizeof(float) == 4, "float must be IEEE 754 single precision");
static_assert(sizeof(double) == 8, "double must be IEEE 754 double precision");

namespace {

template <typename Word>
void store_le(Word word, unsigned char* dst)
{
    for (unsigned i = 0; i < sizeof(Word); ++i) {
        dst[i] = static_cast<unsigned char>(word >> (8 * i));
    }
}

template <typename Word>
Word load_le(const unsigned char* src)
{
    Word word = 0;
    for (unsigned i = 0; i < sizeof(Word); ++i) {
        word |= static_cast<Word>(src[i]) << (8 * i);
    }
    return word;
}

} // namespace

void float_to_bytes_ieee754(const float& value, unsigned char* dst)
{
    uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    store_le(word, dst);
}

void double_to_bytes_ieee754(const double& value, unsigned char* dst)
{
    uint64_t word;
    std::memcpy(&word, &value, sizeof word);
    store_le(word, dst);
}

float bytes_to_float_ieee754(const unsigned char* src)
{
    uint32_t word = load_le<uint32_t>(src);
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}

double bytes_to_double_ieee754(const unsigned char* src)
{
    uint64_t word = load_le<uint64_t>(src);
    double value;
    std::memcpy(&value, &word, sizeof value);
    return value;
}
