// Writer of the CDS remote encoding over a caller's output buffer. It keeps a
// window of the whole output: the first `skip` bytes are dropped and at most
// `size` bytes are kept, so that a long output can be sent in pieces by
// producing it again with a later window each time.
#pragma once

namespace CDS {
namespace Remote {

class Send_buffer {
public:
    Send_buffer(char* buffer, int skip, int size);

    // Appends bytes of the output; returns how many landed in the buffer.
    int buf_append(const char* data, int length);
    // Appends a text without its terminating zero.
    int str_append(const char* text);

    // Each appends the value's encoding and returns its encoded size, whether
    // or not the bytes fitted into the window.
    int append_BOOL(bool value);
    int append_CHAR(char value);
    int append_INT8(signed char value);
    int append_UINT8(unsigned char value);
    int append_INT16(short value);
    int append_UINT16(unsigned short value);
    int append_INT32(int value);
    int append_UINT32(unsigned int value);
    int append_INT64(long long value);
    int append_UINT64(unsigned long long value);
    int append_FLOAT(float value);
    int append_DOUBLE(double value);

    // Room left in the window; 0 once it is full.
    int get_free_space() const { return free_; }
    // Bytes still to drop before the window starts.
    int get_skip() const { return skip_; }
    // Where the next byte would be written.
    char* get_position() const { return position_; }

private:
    char* position_;
    int skip_;
    int free_;
};

} // namespace Remote
} // namespace CDS
