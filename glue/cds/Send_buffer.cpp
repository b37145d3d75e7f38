#include "glue/cds/Send_buffer.h"

#include "glue/cds/Byte_codec.h"
#include "util/Debug_print.h"

#include <algorithm>
#include <cstring>

namespace CDS {
namespace Remote {

Send_buffer::Send_buffer(char* buffer, int skip, int size)
    : position_(buffer), skip_(skip), free_(std::max(size, 0))
{
}

int Send_buffer::buf_append(const char* data, int length)
{
    if (free_ <= 0 || length <= 0)
        return 0;
    if (skip_ < 0) {
        Debug_print::dprint("\n\nNegative offset!!\n");
        return 0;
    }
    if (skip_ >= length) {
        skip_ -= length;
        return 0;
    }
    data += skip_;
    length -= skip_;
    skip_ = 0;
    int copied = std::min(length, free_);
    std::memcpy(position_, data, copied);
    position_ += copied;
    free_ -= copied;
    return copied;
}

int Send_buffer::str_append(const char* text)
{
    return text ? buf_append(text, int(std::strlen(text))) : 0;
}

namespace {
template <typename T> int append_value(Send_buffer& buffer, T value)
{
    unsigned char bytes[sizeof(T)];
    Byte_codec::put<T>(bytes, value);
    buffer.buf_append(reinterpret_cast<const char*>(bytes), int(sizeof(T)));
    return int(sizeof(T));
}
} // namespace

int Send_buffer::append_BOOL(bool value) { return append_value(*this, value); }
int Send_buffer::append_CHAR(char value) { return append_value(*this, value); }
int Send_buffer::append_INT8(signed char value) { return append_value(*this, value); }
int Send_buffer::append_UINT8(unsigned char value) { return append_value(*this, value); }
int Send_buffer::append_INT16(short value) { return append_value(*this, value); }
int Send_buffer::append_UINT16(unsigned short value) { return append_value(*this, value); }
int Send_buffer::append_INT32(int value) { return append_value(*this, value); }
int Send_buffer::append_UINT32(unsigned int value) { return append_value(*this, value); }
int Send_buffer::append_INT64(long long value) { return append_value(*this, value); }
int Send_buffer::append_UINT64(unsigned long long value) { return append_value(*this, value); }
int Send_buffer::append_FLOAT(float value) { return append_value(*this, value); }
int Send_buffer::append_DOUBLE(double value) { return append_value(*this, value); }

} // namespace Remote
} // namespace CDS
