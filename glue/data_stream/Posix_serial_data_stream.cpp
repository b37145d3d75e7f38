#include "glue/data_stream/Posix_serial_data_stream.h"

Posix_serial_data_stream::Posix_serial_data_stream()
{
    update_name();
}

Posix_serial_data_stream::Posix_serial_data_stream(const char* spec)
{
    update_name();
    if (!open_from_args(spec)) {
        close();
    }
}

Posix_serial_data_stream::~Posix_serial_data_stream()
{
    close();
}

void Posix_serial_data_stream::update_name()
{
    if (read_fd_ < 0 && write_fd_ < 0) {
        set_name("DSPosSer(%p)", static_cast<void*>(this));
    } else {
        set_name("DSPosSer(%p, %s)", static_cast<void*>(this), path_);
    }
}

int Posix_serial_data_stream::get_fd() const
{
    return read_fd_ == write_fd_ ? read_fd_ : -1;
}

bool Posix_serial_data_stream::open(const char* path, bool create, bool blocking, bool append)
{
    if (!Posix_data_stream::open(path, create, blocking, append)) {
        return false;
    }
    return init();
}

bool Posix_serial_data_stream::open_default(const char* device)
{
    return open(device, false, true, false);
}

bool Posix_serial_data_stream::close()
{
    if (!Posix_data_stream::close()) {
        return false;
    }
    deinit();
    return true;
}

const char* Posix_serial_data_stream::get_help()
{
    return "-c|--comm device[:baud]";
}
