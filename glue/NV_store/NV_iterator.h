// The byte sink and source of the settings storage format: little-endian value
// codecs, 4-byte node headers and a stack of running CRC-32 checksums, one per
// open container section. Every piece written or read through the counted
// paths updates every registered checksum; peeking updates none.
#pragma once

#include "util/sl_list.h"

#include <cstdint>

namespace NV_store {

// Markers of the node header.
enum : unsigned char {
    NV_MARK_BEGIN = 1,  // container begin: children follow, then an end header
    NV_MARK_END = 2,    // container end: the section's CRC follows
    NV_MARK_VALUE = 9,  // the value (or count and elements) follows
    NV_MARK_TRUE = 10,  // boolean true, nothing follows
    NV_MARK_FALSE = 11, // boolean false, nothing follows
    NV_MARK_PATH = 12,  // an id path follows (pointer settings)
};

class NV_iterator {
public:
    enum modes_t {
        MODE_CLOSED = 0,
        MODE_READ = 1,
        MODE_WRITE = 2,        // full write
        // Append saves (the nodes with flag 0x01, or 0x02, behind the file)
        // are refused: a load reads one root section only.
        MODE_APPEND_MARKED = 3,
        MODE_APPEND_CHANGED = 4,
    };

    struct NV_iterator_header {
        unsigned char type = 0;
        unsigned char marker = 0;
        unsigned short id = 0;
    };

    // The running CRC-32 of one section, started from the CRC of "ZUL6".
    class NV_checksum : public sll_node {
    public:
        NV_checksum();
        bool pass_checksum_bytes(const unsigned char* data, int length);
        uint32_t value() const { return running_; }
        uint32_t bytes_passed() const { return bytes_; }
        uint32_t pieces_passed() const { return pieces_; }

    private:
        uint32_t bytes_ = 0;
        uint32_t pieces_ = 0;
        uint32_t running_;
    };

    NV_iterator() = default;
    virtual ~NV_iterator() = default;
    NV_iterator(const NV_iterator&) = delete;
    NV_iterator& operator=(const NV_iterator&) = delete;

    // Each true only when all bytes were transferred.
    virtual bool push_bytes(const unsigned char* data, int length) = 0;
    virtual bool pop_bytes(unsigned char* data, int length) = 0;
    virtual bool peek_bytes(unsigned char* data, int length) = 0;
    // Bytes used and the total; false when unknown.
    virtual bool get_free_space(unsigned int& used, unsigned int& total) const;

    modes_t get_mode() const { return mode_; }

    // Transfers and, on success, passes the piece to every checksum.
    bool _push_bytes(const unsigned char* data, int length);
    bool _pop_bytes(unsigned char* data, int length);

    bool push_bool(bool v);
    bool push_char(char v);
    bool push_uint8(unsigned char v);
    bool push_int8(signed char v);
    bool push_uint16(unsigned short v);
    bool push_int16(short v);
    bool push_uint32(unsigned int v);
    bool push_int32(int v);
    bool push_uint64(unsigned long long v);
    bool push_int64(long long v);
    bool push_float(float v);
    bool push_double(double v);

    // Each assigns the output only on success.
    bool pop_bool(bool& v);
    bool pop_char(char& v);
    bool pop_uint8(unsigned char& v);
    bool pop_int8(signed char& v);
    bool pop_uint16(unsigned short& v);
    bool pop_int16(short& v);
    bool pop_uint32(unsigned int& v);
    bool pop_int32(int& v);
    bool pop_uint64(unsigned long long& v);
    bool pop_int64(long long& v);
    bool pop_float(float& v);
    bool pop_double(double& v);

    // Generic forms over the scalar types above.
    template <typename T> bool push_value(T v);
    template <typename T> bool pop_value(T& v);

    bool push_header(const NV_iterator_header& header);
    bool pop_header(NV_iterator_header& header);
    // Reads a header without consuming it or updating any checksum.
    bool peek_header(NV_iterator_header& header);

    void add_checksum_getter(NV_checksum* checksum) { checksums_.push(checksum); }
    void remove_checksum_getter(NV_checksum* checksum) { checksums_.remove(checksum); }

    // Set by a container whose section was read to its end and its CRC word
    // but failed the check: the stream is still in step, so the enclosing
    // containers go on with the next record instead of leaving every later
    // section unread (and overwriting it with defaults at the next save).
    void note_bad_section() { bad_section_ = true; }
    bool take_bad_section()
    {
        const bool bad = bad_section_;
        bad_section_ = false;
        return bad;
    }

protected:
    modes_t mode_ = MODE_CLOSED;

private:
    c_sl_list<NV_checksum> checksums_;
    bool bad_section_ = false;
};

// Over a file. A full write (mode 2) goes to a temporary file in the same
// directory, which replaces the settings file (flushed, synced, renamed) only
// when the write is finished and every byte of it was written: a power cut or
// a kill during a save leaves either the old or the new file.
class NV_file_iterator : public NV_iterator {
public:
    explicit NV_file_iterator(const char* path);
    ~NV_file_iterator() override;

    // Closes the current file (committing a full write), then opens the path
    // for the new mode: 1 read, 2 full write (to the temporary file); 3 and 4
    // (append) are refused with an error. The descriptor of the open (-1 when it failed, the mode is then
    // 0), or the result of a failed close.
    int set_mode(modes_t mode);

    bool push_bytes(const unsigned char* data, int length) override;
    bool pop_bytes(unsigned char* data, int length) override;
    bool peek_bytes(unsigned char* data, int length) override;
    bool get_free_space(unsigned int& used, unsigned int& total) const override;

    // Whole transfers, retrying EINTR and EAGAIN; the count (short at the
    // end of the file), or -1 on an error.
    int blocking_read(unsigned char* data, int length);
    int blocking_write(const unsigned char* data, int length);

    const char* get_path() const { return path_; }
    // The file a full write goes to until it is committed.
    const char* get_temp_path() const { return temp_path_; }

private:
    int close_file();

    int fd_ = -1;
    char* path_;
    char* temp_path_;
    unsigned int counter_ = 0;
    bool write_failed_ = false;
};

// Over a caller-owned memory buffer.
class NV_buffer_iterator : public NV_iterator {
public:
    NV_buffer_iterator() = default;
    NV_buffer_iterator(unsigned char* buffer, int capacity, int length);

    void set_buffer(unsigned char* buffer, int capacity, int length);
    void set_mode(modes_t mode) { mode_ = mode; }
    void reset_reading() { read_ = 0; }
    void reset_writing() { write_ = 0; }
    int get_length() const { return write_; }
    int get_read_position() const { return read_; }

    bool push_bytes(const unsigned char* data, int length) override;
    bool pop_bytes(unsigned char* data, int length) override;
    bool peek_bytes(unsigned char* data, int length) override;
    bool get_free_space(unsigned int& used, unsigned int& total) const override;

private:
    unsigned char* buffer_ = nullptr;
    int read_ = 0;
    int write_ = 0;
    int capacity_ = 0;
};

} // namespace NV_store
