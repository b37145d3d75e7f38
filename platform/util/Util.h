// Small helpers of the platform's utility library.
#pragma once

namespace Util {

// Continues a running CRC-32 (the zlib / IEEE 802.3 polynomial, reflected,
// with the usual pre- and post-inversion) over length bytes of data and
// returns the new value. Continuing in pieces gives the same value as one
// call over the whole. A null data pointer or a length of 0 or less leaves
// the value unchanged. Only the low 32 bits of crc are used.
unsigned long crc32(unsigned long crc, const void* data, int length);

} // namespace Util
