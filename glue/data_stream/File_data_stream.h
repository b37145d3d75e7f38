// A plain stdio file as a Data_stream: one file for reading, one for
// writing (appending).
#pragma once

#include "glue/data_stream/Data_stream.h"

#include <cstdio>

class File_data_stream : public Data_stream {
public:
    // Exit codes when a file cannot be opened.
    static constexpr int OPEN_READ_EXIT = -133;
    static constexpr int OPEN_WRITE_EXIT = -134;

    File_data_stream();
    ~File_data_stream() override;

    // Opens a file for reading; a file that cannot be opened ends the
    // process (exit code -133). A file open already is closed first.
    bool open_read(const char* path);
    bool open_read(int fd);
    // Opens a file for appending; ends the process (-134) on failure.
    bool open_write(const char* path);
    // False when that side is not open.
    bool close_read();
    bool close_write();
    bool is_read_open() const { return read_file != nullptr; }
    bool is_write_open() const { return write_file != nullptr; }

    // Reads n bytes one at a time; false at the end of the file or when the
    // buffer is full (the bytes not taken stay in the file).
    using Data_stream::get_data;
    bool get_data(int n) override;
    int _write(const unsigned char* src, unsigned n) override;
    // The read file's size; -1 (as unsigned) when it cannot be had.
    virtual unsigned get_length() const;

    // True unless the path surely does not exist (ENOENT).
    static bool exists(const char* path);

protected:
    void set_file_name(const char* prefix, const char* path, char mode);

    FILE* read_file = nullptr;
    FILE* write_file = nullptr;
};
