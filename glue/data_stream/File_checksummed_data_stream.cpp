#include "glue/data_stream/File_checksummed_data_stream.h"

#include "platform/util/Util.h"
#include "util/Debug_print.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

const char* const File_checksummed_data_stream::crc32_head = "\nCRC32=";

namespace {

constexpr unsigned HEAD_LEN = 7;                 // strlen(crc32_head)
constexpr unsigned MARKER_AND_DIGITS = HEAD_LEN + 8;
constexpr unsigned TAIL_LEN = MARKER_AND_DIGITS + 5;
constexpr unsigned VERIFY_PIECE = 255;

// The first occurrence of needle in the bytes (which may hold 0 bytes).
long find_bytes(const unsigned char* bytes, unsigned len, const char* needle, unsigned needle_len)
{
    for (unsigned i = 0; i + needle_len <= len; i++) {
        if (memcmp(bytes + i, needle, needle_len) == 0)
            return static_cast<long>(i);
    }
    return -1;
}

} // namespace

File_checksummed_data_stream::File_checksummed_data_stream()
{
    set_crc_name(nullptr, 0);
}

File_checksummed_data_stream::~File_checksummed_data_stream() = default;

void File_checksummed_data_stream::set_crc_name(const char* path, char mode)
{
    if (path)
        set_name("CRCFILE(%p, %s, %c)", static_cast<void*>(this), path, mode);
    else
        set_name("CRCFILE(%p)", static_cast<void*>(this));
}

bool File_checksummed_data_stream::open_write(const char* path)
{
    if (write_file)
        File_data_stream::close_write();
    write_file = path ? fopen(path, "w") : nullptr;
    if (!write_file) {
        Debug_print::dprint("Error opening file [%s]\n", path ? path : "");
        return false;
    }
    crc_ = CRC_START;
    set_crc_name(path, 'w');
    return true;
}

int File_checksummed_data_stream::_write(const unsigned char* src, unsigned n)
{
    int written = File_data_stream::_write(src, n);
    if (written > 0)
        crc_ = static_cast<uint32_t>(Util::crc32(crc_, src, written));
    return written;
}

bool File_checksummed_data_stream::close_write()
{
    if (!write_file) {
        Debug_print::dprint("CRCFILE not open for write!\n");
        return false;
    }
    bool complete = false;
    if (!ferror(write_file)) {
        char trailer[TRAILER_LEN + 1];
        snprintf(trailer, sizeof trailer, "\n%s%08X", crc32_head, static_cast<unsigned>(crc_));
        complete = fwrite(trailer, 1, TRAILER_LEN, write_file) == TRAILER_LEN;
        if (!complete)
            Debug_print::dprint("CRCFILE failed to write CRC32!\n");
    }
    complete = fflush(write_file) == 0 && complete;
    complete = fclose(write_file) == 0 && complete;
    write_file = nullptr;
    set_crc_name(nullptr, 0);
    return complete;
}

bool File_checksummed_data_stream::fail_read(const char* format, const char* path, bool with_error)
{
    if (with_error)
        Debug_print::dprint(format, path, strerror(errno));
    else
        Debug_print::dprint(format, path);
    File_data_stream::close_read();
    content_end_ = 0;
    return false;
}

bool File_checksummed_data_stream::open_read(const char* path)
{
    if (read_file)
        File_data_stream::close_read();
    content_end_ = 0;
    read_file = path ? fopen(path, "rb") : nullptr;
    if (!read_file) {
        Debug_print::dprint("Error opening file [%s]\n", path ? path : "");
        return false;
    }
    struct stat st;
    if (fstat(fileno(read_file), &st) != 0) {
        File_data_stream::close_read();
        return false;
    }
    const long size = static_cast<long>(st.st_size);
    if (size < static_cast<long>(MARKER_AND_DIGITS))
        return fail_read("Empty or truncated checksummed file [%s]\n", path, false);

    const unsigned tail_len = size >= static_cast<long>(TAIL_LEN) ? TAIL_LEN : MARKER_AND_DIGITS;
    long tail_pos;
    if (fseek(read_file, -static_cast<long>(tail_len), SEEK_END) != 0 ||
        (tail_pos = ftell(read_file)) < 0)
        return fail_read("CRC32 seek failed in checksummed file [%s]: %s\n", path, true);

    unsigned char tail[MARKER_AND_DIGITS + 16] = {};
    if (fread(tail, 1, tail_len, read_file) != tail_len)
        return fail_read("Short read while seeking CRC32 in checksummed file [%s]: %s\n", path, true);

    // The content may end in 0 bytes: the marker is searched byte by byte.
    long marker = find_bytes(tail, tail_len, crc32_head, HEAD_LEN);
    unsigned stored = 0;
    if (marker < 0 ||
        sscanf(reinterpret_cast<const char*>(tail) + marker + HEAD_LEN, "%8x", &stored) != 1)
        return fail_read("Failure while reading CRC32 in checksummed file [%s]\n", path, false);

    // The content ends before the newline in front of the marker.
    const long end = tail_pos + marker - 1;
    if (end < 0)
        return fail_read("Empty or truncated checksummed file [%s]\n", path, false);

    rewind(read_file);
    uint32_t crc = CRC_START;
    long done = 0;
    while (done < end) {
        unsigned char piece[VERIFY_PIECE];
        size_t want = static_cast<size_t>(std::min<long>(VERIFY_PIECE, end - done));
        size_t got = fread(piece, 1, want, read_file);
        if (got < want && ferror(read_file))
            return fail_read("CRC32 calc read failed file [%s]: %s\n", path, true);
        crc = static_cast<uint32_t>(Util::crc32(crc, piece, static_cast<int>(got)));
        done += static_cast<long>(got);
        if (got < want)
            break;
    }
    if (crc != stored)
        return fail_read("Error CRC32 mismatch on checksummed file [%s]\n", path, false);

    rewind(read_file);
    content_end_ = end;
    set_crc_name(path, 'r');
    return true;
}

bool File_checksummed_data_stream::open_read(int)
{
    return false;
}

bool File_checksummed_data_stream::close_read()
{
    bool closed = File_data_stream::close_read();
    if (closed)
        set_crc_name(nullptr, 0);
    return closed;
}

bool File_checksummed_data_stream::get_data(int n)
{
    if (!read_file)
        return false;
    long pos = ftell(read_file);
    if (pos < 0)
        return false;
    if (n <= 0)
        return true;
    if (pos + n <= content_end_)
        return File_data_stream::get_data(n);
    if (content_end_ < pos)
        return false;
    File_data_stream::get_data(static_cast<int>(content_end_ - pos));
    return false;
}
