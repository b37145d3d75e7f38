// Reader of the CDS remote encoding over received bytes. Every read is bounded
// by the bytes left: a peer may send a message that ends in the middle of a
// value or of a schema header, without any terminator.
#pragma once

#include "glue/cds/Data_item.h"

namespace CDS {
namespace Remote {

class Receive_buffer {
public:
    Receive_buffer(const char* data, int length);

    // Each decodes one value when enough bytes are left and advances past it;
    // otherwise returns false and consumes nothing.
    bool pop_BOOL(bool& value);
    bool pop_CHAR(char& value);
    bool pop_INT8(signed char& value);
    bool pop_UINT8(unsigned char& value);
    bool pop_INT16(short& value);
    bool pop_UINT16(unsigned short& value);
    bool pop_INT32(int& value);
    bool pop_UINT32(unsigned int& value);
    bool pop_INT64(long long& value);
    bool pop_UINT64(unsigned long long& value);
    bool pop_FLOAT(float& value);
    bool pop_DOUBLE(double& value);

    // Whether the byte at the read position is "{", "}" or ","; nothing is
    // consumed, and false when no byte is left.
    bool struct_start() const { return peek_is('{'); }
    bool struct_finish() const { return peek_is('}'); }
    bool field_sep() const { return peek_is(','); }

    // Consumes one byte; true when a byte is left after it and it is not zero.
    bool pop_one();

    // Reads one schema header "type:id:name". Returns the start of the name
    // (its length in name_length) with the read position behind the name, or
    // null when the header is malformed or cut short; the read position then
    // stays where it was. type receives the whole type byte.
    const char* pop_item(Data_item::item_type_t& type, unsigned short& id, int& name_length);

    const char* get_position() const { return position_; }
    int get_remaining() const { return remaining_; }

private:
    bool peek_is(char c) const { return remaining_ > 0 && *position_ == c; }
    const unsigned char* take(int length);

    const char* position_;
    int remaining_;
};

} // namespace Remote
} // namespace CDS
