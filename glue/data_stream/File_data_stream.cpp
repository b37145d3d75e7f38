#include "glue/data_stream/File_data_stream.h"

#include "util/Debug_print.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

File_data_stream::File_data_stream()
{
    set_name("DSFile(%p)", static_cast<void*>(this));
}

File_data_stream::~File_data_stream()
{
    close_read();
    close_write();
}

void File_data_stream::set_file_name(const char* prefix, const char* path, char mode)
{
    set_name("%s(%p,%s, %c)", prefix, static_cast<void*>(this), path, mode);
}

bool File_data_stream::open_read(const char* path)
{
    close_read();
    read_file = path ? fopen(path, "rb") : nullptr;
    if (!read_file) {
        Debug_print::bprint("Error opening file [%s]\n", path ? path : "");
        exit(OPEN_READ_EXIT);
    }
    set_file_name("DSFile", path, 'r');
    return true;
}

bool File_data_stream::open_read(int fd)
{
    close_read();
    read_file = fdopen(fd, "rb");
    if (!read_file) {
        Debug_print::bprint("Error opening fd [%i]\n", fd);
        exit(OPEN_READ_EXIT);
    }
    set_name("DSFile(%p,%d, r)", static_cast<void*>(this), fd);
    return true;
}

bool File_data_stream::open_write(const char* path)
{
    close_write();
    write_file = path ? fopen(path, "a") : nullptr;
    if (!write_file) {
        Debug_print::bprint("Error opening file [%s]\n", path ? path : "");
        exit(OPEN_WRITE_EXIT);
    }
    set_file_name("DSFile", path, 'w');
    return true;
}

bool File_data_stream::close_read()
{
    if (!read_file)
        return false;
    fclose(read_file);
    read_file = nullptr;
    return true;
}

bool File_data_stream::close_write()
{
    if (!write_file)
        return false;
    fflush(write_file);
    fclose(write_file);
    write_file = nullptr;
    return true;
}

bool File_data_stream::get_data(int n)
{
    if (n <= 0)
        return true;
    if (!read_file)
        return false;
    bool complete = true;
    for (int i = 0; i < n; i++) {
        if (ring_count() >= BUFFER_SIZE) {
            complete = false;
            break;
        }
        int c = fgetc(read_file);
        if (c == EOF) {
            complete = false;
            break;
        }
        unsigned char byte = static_cast<unsigned char>(c);
        ring_append(byte);
        log_data(&byte, 1);
    }
    flush_log_data();
    return complete;
}

int File_data_stream::_write(const unsigned char* src, unsigned n)
{
    if (!write_file)
        return -1;
    return static_cast<int>(fwrite(src, 1, n, write_file));
}

unsigned File_data_stream::get_length() const
{
    if (!read_file)
        return static_cast<unsigned>(-1);
    long old = ftell(read_file);
    if (old < 0 || fseek(read_file, 0, SEEK_END) != 0)
        return static_cast<unsigned>(-1);
    long end = ftell(read_file);
    if (fseek(read_file, old, SEEK_SET) != 0 || end < 0)
        return static_cast<unsigned>(-1);
    return static_cast<unsigned>(end);
}

bool File_data_stream::exists(const char* path)
{
    if (!path)
        return false;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno != ENOENT;
}
