#include "glue/NV_store/NV_iterator.h"

#include "glue/cds/Byte_codec.h"
#include "platform/util/Util.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace NV_store {

// --- Checksums ------------------------------------------------------------------

NV_iterator::NV_checksum::NV_checksum()
    : running_(uint32_t(Util::crc32(0, "ZUL6", 4)))
{
}

bool NV_iterator::NV_checksum::pass_checksum_bytes(const unsigned char* data, int length)
{
    running_ = uint32_t(Util::crc32(running_, data, length));
    bytes_ += uint32_t(length);
    pieces_ += 1;
    return true;
}

// --- Iterator base ------------------------------------------------------------------

bool NV_iterator::get_free_space(unsigned int& used, unsigned int& total) const
{
    used = total = 0;
    return false;
}

bool NV_iterator::_push_bytes(const unsigned char* data, int length)
{
    if (!push_bytes(data, length))
        return false;
    for (NV_checksum* c = checksums_.first(); c; c = checksums_.next(c))
        c->pass_checksum_bytes(data, length);
    return true;
}

bool NV_iterator::_pop_bytes(unsigned char* data, int length)
{
    if (!pop_bytes(data, length))
        return false;
    for (NV_checksum* c = checksums_.first(); c; c = checksums_.next(c))
        c->pass_checksum_bytes(data, length);
    return true;
}

template <typename T> bool NV_iterator::push_value(T v)
{
    unsigned char bytes[sizeof(T)];
    Byte_codec::put<T>(bytes, v);
    return _push_bytes(bytes, int(sizeof(T)));
}

template <typename T> bool NV_iterator::pop_value(T& v)
{
    unsigned char bytes[sizeof(T)];
    if (!_pop_bytes(bytes, int(sizeof(T))))
        return false;
    v = Byte_codec::get<T>(bytes);
    return true;
}

template bool NV_iterator::push_value<bool>(bool);
template bool NV_iterator::push_value<char>(char);
template bool NV_iterator::push_value<unsigned char>(unsigned char);
template bool NV_iterator::push_value<signed char>(signed char);
template bool NV_iterator::push_value<unsigned short>(unsigned short);
template bool NV_iterator::push_value<short>(short);
template bool NV_iterator::push_value<unsigned int>(unsigned int);
template bool NV_iterator::push_value<int>(int);
template bool NV_iterator::push_value<unsigned long long>(unsigned long long);
template bool NV_iterator::push_value<long long>(long long);
template bool NV_iterator::push_value<float>(float);
template bool NV_iterator::push_value<double>(double);
template bool NV_iterator::pop_value<bool>(bool&);
template bool NV_iterator::pop_value<char>(char&);
template bool NV_iterator::pop_value<unsigned char>(unsigned char&);
template bool NV_iterator::pop_value<signed char>(signed char&);
template bool NV_iterator::pop_value<unsigned short>(unsigned short&);
template bool NV_iterator::pop_value<short>(short&);
template bool NV_iterator::pop_value<unsigned int>(unsigned int&);
template bool NV_iterator::pop_value<int>(int&);
template bool NV_iterator::pop_value<unsigned long long>(unsigned long long&);
template bool NV_iterator::pop_value<long long>(long long&);
template bool NV_iterator::pop_value<float>(float&);
template bool NV_iterator::pop_value<double>(double&);

bool NV_iterator::push_bool(bool v) { return push_value(v); }
bool NV_iterator::push_char(char v) { return push_value(v); }
bool NV_iterator::push_uint8(unsigned char v) { return push_value(v); }
bool NV_iterator::push_int8(signed char v) { return push_value(v); }
bool NV_iterator::push_uint16(unsigned short v) { return push_value(v); }
bool NV_iterator::push_int16(short v) { return push_value(v); }
bool NV_iterator::push_uint32(unsigned int v) { return push_value(v); }
bool NV_iterator::push_int32(int v) { return push_value(v); }
bool NV_iterator::push_uint64(unsigned long long v) { return push_value(v); }
bool NV_iterator::push_int64(long long v) { return push_value(v); }
bool NV_iterator::push_float(float v) { return push_value(v); }
bool NV_iterator::push_double(double v) { return push_value(v); }
bool NV_iterator::pop_bool(bool& v) { return pop_value(v); }
bool NV_iterator::pop_char(char& v) { return pop_value(v); }
bool NV_iterator::pop_uint8(unsigned char& v) { return pop_value(v); }
bool NV_iterator::pop_int8(signed char& v) { return pop_value(v); }
bool NV_iterator::pop_uint16(unsigned short& v) { return pop_value(v); }
bool NV_iterator::pop_int16(short& v) { return pop_value(v); }
bool NV_iterator::pop_uint32(unsigned int& v) { return pop_value(v); }
bool NV_iterator::pop_int32(int& v) { return pop_value(v); }
bool NV_iterator::pop_uint64(unsigned long long& v) { return pop_value(v); }
bool NV_iterator::pop_int64(long long& v) { return pop_value(v); }
bool NV_iterator::pop_float(float& v) { return pop_value(v); }
bool NV_iterator::pop_double(double& v) { return pop_value(v); }

namespace {
void encode_header(const NV_iterator::NV_iterator_header& h, unsigned char* out)
{
    out[0] = h.type;
    out[1] = h.marker;
    out[2] = static_cast<unsigned char>(h.id & 0xFF);
    out[3] = static_cast<unsigned char>(h.id >> 8);
}
void decode_header(const unsigned char* in, NV_iterator::NV_iterator_header& h)
{
    h.type = in[0];
    h.marker = in[1];
    h.id = static_cast<unsigned short>(in[2] | (in[3] << 8));
}
} // namespace

bool NV_iterator::push_header(const NV_iterator_header& header)
{
    unsigned char bytes[4];
    encode_header(header, bytes);
    return _push_bytes(bytes, 4);
}

bool NV_iterator::pop_header(NV_iterator_header& header)
{
    unsigned char bytes[4];
    if (!_pop_bytes(bytes, 4))
        return false;
    decode_header(bytes, header);
    return true;
}

bool NV_iterator::peek_header(NV_iterator_header& header)
{
    unsigned char bytes[4];
    if (!peek_bytes(bytes, 4))
        return false;
    decode_header(bytes, header);
    return true;
}

// --- File iterator --------------------------------------------------------------

namespace {
char* copy_text(const std::string& text)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// Makes a rename durable: syncs the directory that holds path.
void sync_directory_of(const char* path)
{
    std::string dir(path);
    size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

NV_file_iterator::NV_file_iterator(const char* path)
    : path_(copy_text(path ? path : "")), temp_path_(copy_text(std::string(path ? path : "") + ".tmp"))
{
}

NV_file_iterator::~NV_file_iterator()
{
    close_file();
    std::free(path_);
    std::free(temp_path_);
}

// Closes the open file. A full write is committed only when every byte of it
// was written: synced, then renamed over the settings file; otherwise the
// temporary file is dropped and the settings file stays as it was.
int NV_file_iterator::close_file()
{
    if (fd_ < 0)
        return 0;
    int result = 0;
    if (mode_ == MODE_WRITE) {
        bool good = !write_failed_ && ::fsync(fd_) == 0;
        result = ::close(fd_);
        good = good && result == 0;
        if (good && ::rename(temp_path_, path_) == 0) {
            sync_directory_of(path_);
        } else {
            std::printf("Error in NV_file_iterator: settings not saved to %s\n", path_);
            ::unlink(temp_path_);
            if (result == 0)
                result = -1;
        }
    } else {
        result = ::close(fd_);
    }
    fd_ = -1;
    return result;
}

int NV_file_iterator::set_mode(modes_t mode)
{
    if (mode_ >= MODE_READ && mode_ <= MODE_APPEND_CHANGED) {
        int closed = close_file();
        if (closed != 0) {
            mode_ = MODE_CLOSED;
            return closed;
        }
    }
    mode_ = MODE_CLOSED;
    int fd = -1;
    switch (mode) {
    case MODE_READ:
        fd = ::open(path_, O_RDONLY | O_CLOEXEC);
        break;
    case MODE_WRITE:
        fd = ::open(temp_path_, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        counter_ = 0;
        write_failed_ = false;
        break;
    case MODE_APPEND_MARKED:
    case MODE_APPEND_CHANGED:
        // A load reads the first root section only: appended sections would
        // never be read back, so the settings file is not opened for them.
        std::printf("Error in NV_file_iterator: append saves are not supported, %s not opened\n", path_);
        return -1;
    default:
        mode_ = mode;
        return -1;
    }
    if (fd < 0)
        return -1;
    fd_ = fd;
    mode_ = mode;
    return fd;
}

namespace {
// Moves length bytes through one read or write call after another, retrying
// EINTR and EAGAIN; a transfer of 0 bytes ends it with the count so far.
template <typename Buffer, typename Transfer>
int transfer_all(Buffer* data, int length, Transfer transfer)
{
    if (!data || length < 0)
        return -1;
    int done = 0;
    while (done < length) {
        ssize_t n = transfer(data + done, size_t(length - done));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            std::printf("Error in NV_file_iterator: %s\n", std::strerror(errno));
            return -1;
        }
        done += int(n);
    }
    return done;
}
} // namespace

int NV_file_iterator::blocking_read(unsigned char* data, int length)
{
    const int fd = fd_;
    return transfer_all(data, length, [fd](unsigned char* at, size_t n) { return ::read(fd, at, n); });
}

int NV_file_iterator::blocking_write(const unsigned char* data, int length)
{
    const int fd = fd_;
    return transfer_all(data, length,
                        [fd](const unsigned char* at, size_t n) { return ::write(fd, at, n); });
}

bool NV_file_iterator::push_bytes(const unsigned char* data, int length)
{
    if (mode_ != MODE_WRITE && mode_ != MODE_APPEND_MARKED && mode_ != MODE_APPEND_CHANGED)
        return false;
    counter_ += unsigned(length);
    bool ok = blocking_write(data, length) == length;
    if (!ok)
        write_failed_ = true;
    return ok;
}

bool NV_file_iterator::pop_bytes(unsigned char* data, int length)
{
    if (mode_ != MODE_READ)
        return false;
    counter_ += unsigned(length);
    return blocking_read(data, length) == length;
}

bool NV_file_iterator::peek_bytes(unsigned char* data, int length)
{
    if (mode_ != MODE_READ)
        return false;
    off_t at = ::lseek(fd_, 0, SEEK_CUR);
    if (at < 0)
        return false;
    int n = blocking_read(data, length);
    if (n > 0)
        ::lseek(fd_, at, SEEK_SET);
    return n == length && ::lseek(fd_, 0, SEEK_CUR) == at;
}

bool NV_file_iterator::get_free_space(unsigned int& used, unsigned int& total) const
{
    used = counter_;
    total = 16384;
    return true;
}

// --- Buffer iterator ------------------------------------------------------------

NV_buffer_iterator::NV_buffer_iterator(unsigned char* buffer, int capacity, int length)
{
    set_buffer(buffer, capacity, length);
    read_ = 0;
}

void NV_buffer_iterator::set_buffer(unsigned char* buffer, int capacity, int length)
{
    buffer_ = buffer;
    capacity_ = capacity < 0 ? 0 : capacity;
    write_ = length < 0 ? 0 : (length > capacity_ ? capacity_ : length);
}

bool NV_buffer_iterator::peek_bytes(unsigned char* data, int length)
{
    if (length < 0 || read_ + length > write_)
        return false;
    std::memcpy(data, buffer_ + read_, size_t(length));
    return true;
}

bool NV_buffer_iterator::pop_bytes(unsigned char* data, int length)
{
    if (!peek_bytes(data, length))
        return false;
    read_ += length;
    return true;
}

bool NV_buffer_iterator::push_bytes(const unsigned char* data, int length)
{
    if (length < 0 || write_ + length > capacity_)
        return false;
    std::memcpy(buffer_ + write_, data, size_t(length));
    write_ += length;
    return true;
}

bool NV_buffer_iterator::get_free_space(unsigned int& used, unsigned int& total) const
{
    used = unsigned(write_);
    total = unsigned(capacity_);
    return true;
}

} // namespace NV_store
