#include "platform/util/Util.h"

#include <zlib.h>

unsigned long Util::crc32(unsigned long crc, const void* data, int length)
{
    crc &= 0xFFFFFFFFul;
    if (data == nullptr || length <= 0) {
        return crc;
    }
    return ::crc32(static_cast<uLong>(crc), static_cast<const Bytef*>(data),
                   static_cast<uInt>(length));
}
