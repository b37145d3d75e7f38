#include "glue/data_stream/File_checksummed_data_stream.h"

#include "platform/util/Util.h"
#include "util/Debug_print.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

const char* const File_checksummed_data_stream::crc32_head = "\nCRC32=";

namespace {

constexpr unsigned HEAD_LEN = 7; // strlen(crc32_head)
constexpr unsigned DIGITS = 8;
static_assert(1 + HEAD_LEN + DIGITS == File_checksummed_data_stream::TRAILER_LEN, "newline, head, digits");
constexpr unsigned VERIFY_PIECE = 255;

// The CRC held by a trailer (the content's newline, the head and eight
// hexadecimal digits), or false when the bytes are not one.
bool parse_trailer(const unsigned char* trailer, uint32_t& crc)
{
    if (trailer[0] != '\n' || memcmp(trailer + 1, File_checksummed_data_stream::crc32_head, HEAD_LEN) != 0)
        return false;
    crc = 0;
    for (unsigned i = 1 + HEAD_LEN; i < File_checksummed_data_stream::TRAILER_LEN; i++) {
        const int c = trailer[i];
        if (!isxdigit(c))
            return false;
        crc = crc << 4 | static_cast<uint32_t>(isdigit(c) ? c - '0' : tolower(c) - 'a' + 10);
    }
    return true;
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
    // The trailer ends the file: bytes behind it are not part of what was
    // written, so such a file does not verify.
    const long size = static_cast<long>(st.st_size);
    if (size < static_cast<long>(TRAILER_LEN))
        return fail_read("Empty or truncated checksummed file [%s]\n", path, false);
    if (fseek(read_file, -static_cast<long>(TRAILER_LEN), SEEK_END) != 0 || ftell(read_file) < 0)
        return fail_read("CRC32 seek failed in checksummed file [%s]: %s\n", path, true);

    unsigned char trailer[TRAILER_LEN];
    if (fread(trailer, 1, TRAILER_LEN, read_file) != TRAILER_LEN)
        return fail_read("Short read while seeking CRC32 in checksummed file [%s]: %s\n", path, true);
    uint32_t stored = 0;
    if (!parse_trailer(trailer, stored))
        return fail_read("Failure while reading CRC32 in checksummed file [%s]\n", path, false);
    const long end = size - static_cast<long>(TRAILER_LEN);

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
