// A file that ends with a CRC-32 trailer over everything before it:
//   content, 0x0A, 0x0A, "CRC32=", eight upper-case hexadecimal digits.
// Writing computes the CRC on the fly and appends the trailer on close;
// opening for reading verifies the whole content first, and reading stops
// at the end of the content. The content may hold any bytes, 0 included.
#pragma once

#include "glue/data_stream/File_data_stream.h"

#include <cstdint>

class File_checksummed_data_stream : public File_data_stream {
public:
    static constexpr uint32_t CRC_START = 0x5CA1AB1Eu;
    // A newline and "CRC32=": the trailer's head behind the content's newline.
    static const char* const crc32_head;
    static constexpr unsigned TRAILER_LEN = 16;

    File_checksummed_data_stream();
    ~File_checksummed_data_stream() override;

    // Creates or truncates the file; false (the process goes on) when it
    // cannot be opened.
    bool open_write(const char* path);
    // Writes the trailer and closes. False when nothing was open, or when
    // the trailer could not be written or the file not completed (the file
    // then fails verification).
    bool close_write();

    // Opens and verifies the file; false (stream closed) when it cannot be
    // opened, is too short, does not end with the trailer or its CRC does
    // not match.
    bool open_read(const char* path);
    // Descriptors cannot be verified: always false.
    bool open_read(int fd);
    bool close_read();

    using Data_stream::get_data;
    bool get_data(int n) override;
    int _write(const unsigned char* src, unsigned n) override;

    uint32_t get_running_crc() const { return crc_; }
    long get_content_end() const { return content_end_; }

private:
    void set_crc_name(const char* path, char mode);
    bool fail_read(const char* format, const char* path, bool with_error);

    uint32_t crc_ = CRC_START;
    long content_end_ = 0;
};
