#include "glue/data_stream/Posix_threaded_serial_data_stream.h"

#include "glue/data_stream/Posix_serial_data_stream.h"

Posix_threaded_serial_data_stream::Posix_threaded_serial_data_stream()
{
    update_name();
}

Posix_threaded_serial_data_stream::Posix_threaded_serial_data_stream(const char* spec)
{
    update_name();
    if (!open_from_args(spec)) {
        close();
    }
}

Posix_threaded_serial_data_stream::~Posix_threaded_serial_data_stream()
{
    close();
}

void Posix_threaded_serial_data_stream::update_name()
{
    if (fd_ < 0) {
        set_name("DSPosTSer(%p)", static_cast<void*>(this));
    } else {
        set_name("DSPosTSer(%p, %s)", static_cast<void*>(this), path_);
    }
}

bool Posix_threaded_serial_data_stream::init(module_man& mm)
{
    init_module_id(mm);
    return Posix_serial_port::init();
}

bool Posix_threaded_serial_data_stream::open(const char* device)
{
    if (!open_descriptor(device, false, false)) {
        return false;
    }
    // Raw before the reader starts, so no byte is taken in cooked mode.
    bool raw = Posix_serial_port::init();
    if (!start()) {
        return false;
    }
    return raw;
}

bool Posix_threaded_serial_data_stream::open_default(const char* device)
{
    if (!open(device)) {
        printf("OPEN BAD\n");
        return false;
    }
    return true;
}

bool Posix_threaded_serial_data_stream::close()
{
    if (!Posix_threaded_data_stream::close()) {
        return false;
    }
    deinit();
    return true;
}

const char* Posix_threaded_serial_data_stream::get_help()
{
    return Posix_serial_data_stream::get_help();
}
