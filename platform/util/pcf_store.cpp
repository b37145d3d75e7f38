#include "platform/util/pcf_store.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Store {
    std::mutex mutex;
    bool mounted = false;
    std::string directory;
    uint32_t capacity = 0;
    unsigned busy_answers = 0;
    bool simulate_full = false;
    int read_fd = -1;
    int write_fd = -1;
    std::string read_name;
    std::string write_name;
};

Store& store()
{
    static Store s;
    return s;
}

bool valid_name(const char* name)
{
    if (!name)
        return false;
    size_t len = strnlen(name, PCF_NAME_MAX + 1);
    if (len == 0 || len > PCF_NAME_MAX)
        return false;
    if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0)
        return false;
    return strchr(name, '/') == nullptr;
}

std::string path_of(const Store& s, const char* name)
{
    return s.directory + "/" + name;
}

void set_error(int* error, int value)
{
    if (error)
        *error = value;
}

void close_fd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Names of the store's files, sorted; only names the store could have made.
std::vector<std::string> list_files(const Store& s)
{
    std::vector<std::string> names;
    DIR* dir = opendir(s.directory.c_str());
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir)) {
        if (!valid_name(entry->d_name))
            continue;
        struct stat st;
        if (stat(path_of(s, entry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Bytes taken by every regular file in the directory.
uint64_t used_bytes(const Store& s)
{
    uint64_t used = 0;
    DIR* dir = opendir(s.directory.c_str());
    if (!dir)
        return 0;
    while (const dirent* entry = readdir(dir)) {
        struct stat st;
        std::string path = s.directory + "/" + entry->d_name;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            used += static_cast<uint64_t>(st.st_size);
    }
    closedir(dir);
    return used;
}

uint32_t free_bytes(const Store& s)
{
    if (s.simulate_full)
        return 0;
    uint64_t used = used_bytes(s);
    return used >= s.capacity ? 0 : static_cast<uint32_t>(s.capacity - used);
}

bool file_exists(const Store& s, const char* name)
{
    struct stat st;
    return stat(path_of(s, name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Consumes one simulated busy answer, if any is left.
bool take_busy(Store& s)
{
    if (s.busy_answers == 0)
        return false;
    s.busy_answers--;
    return true;
}

void close_all(Store& s)
{
    close_fd(s.read_fd);
    close_fd(s.write_fd);
    s.read_name.clear();
    s.write_name.clear();
}

int open_for_write(const char* name, int* error, bool create)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.mounted) {
        set_error(error, PCF_ERR_NOT_MOUNTED);
        return 0;
    }
    if (!valid_name(name)) {
        set_error(error, PCF_ERR_BAD_NAME);
        return 0;
    }
    if (take_busy(s) || s.write_fd >= 0) {
        set_error(error, PCF_ERR_NONE);
        return 0;
    }
    int flags = create ? (O_WRONLY | O_APPEND | O_CREAT | O_EXCL) : (O_WRONLY | O_APPEND);
    int fd = ::open(path_of(s, name).c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        set_error(error, errno == ENOENT ? PCF_ERR_NOT_FOUND
                         : errno == EEXIST ? PCF_ERR_EXISTS
                                           : PCF_ERR_IO);
        return 0;
    }
    s.write_fd = fd;
    s.write_name = name;
    set_error(error, PCF_ERR_NONE);
    return 1;
}

} // namespace

bool pcfMount(const char* directory, uint32_t capacity_bytes)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    close_all(s);
    s.mounted = false;
    if (!directory || !*directory)
        return false;
    if (mkdir(directory, 0755) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    if (stat(directory, &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    s.directory = directory;
    s.capacity = capacity_bytes;
    s.mounted = true;
    return true;
}

void pcfUnmount()
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    close_all(s);
    s.mounted = false;
}

void pcfSetCapacity(uint32_t capacity_bytes)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.capacity = capacity_bytes;
}

void pcfSimulateBusy(unsigned open_answers)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.busy_answers = open_answers;
}

void pcfSimulateFull(bool full)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.simulate_full = full;
}

int pcfIsMounted()
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.mounted ? 1 : 0;
}

int pcfExists(const char* name)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.mounted && valid_name(name) && file_exists(s, name) ? 1 : 0;
}

int pcfRemove(const char* name)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.mounted)
        return PCF_ERR_NOT_MOUNTED;
    if (!valid_name(name))
        return PCF_ERR_BAD_NAME;
    // An open file stays: removing it would lose what is still being written.
    if ((s.read_fd >= 0 && s.read_name == name) || (s.write_fd >= 0 && s.write_name == name))
        return PCF_ERR_IO;
    if (!file_exists(s, name))
        return PCF_ERR_NOT_FOUND;
    return ::unlink(path_of(s, name).c_str()) == 0 ? 0 : PCF_ERR_IO;
}

int pcfOpenRead(const char* name, uint32_t offset, int* error)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.mounted) {
        set_error(error, PCF_ERR_NOT_MOUNTED);
        return PCF_ERR_NOT_MOUNTED;
    }
    if (!valid_name(name)) {
        set_error(error, PCF_ERR_BAD_NAME);
        return PCF_ERR_BAD_NAME;
    }
    if (take_busy(s) || s.read_fd >= 0) {
        set_error(error, PCF_ERR_NONE);
        return 1;
    }
    int fd = ::open(path_of(s, name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int code = errno == ENOENT ? PCF_ERR_NOT_FOUND : PCF_ERR_IO;
        set_error(error, code);
        return code;
    }
    if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        ::close(fd);
        set_error(error, PCF_ERR_IO);
        return PCF_ERR_IO;
    }
    s.read_fd = fd;
    s.read_name = name;
    set_error(error, PCF_ERR_NONE);
    return 0;
}

int pcfRead(void* buffer, int max, PcfResult& result, int /*handle*/)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.read_fd < 0 || !buffer || max < 0) {
        result = PCF_RESULT_NOT_OPEN;
        return 0;
    }
    auto* dst = static_cast<unsigned char*>(buffer);
    int total = 0;
    while (total < max) {
        ssize_t n = ::read(s.read_fd, dst + total, static_cast<size_t>(max - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = PCF_RESULT_IO_ERROR;
            return total;
        }
        if (n == 0)
            break;
        total += static_cast<int>(n);
    }
    result = (total == 0 && max > 0) ? PCF_RESULT_END_OF_FILE : PCF_RESULT_OK;
    return total;
}

int pcfCloseRead(int /*handle*/)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.read_fd < 0)
        return 4;
    close_fd(s.read_fd);
    s.read_name.clear();
    return 0;
}

int pcfOpenWrite(const char* name, int* error)
{
    return open_for_write(name, error, false);
}

int pcfCreateWrite(const char* name, int* error)
{
    return open_for_write(name, error, true);
}

int pcfWrite(const void* buffer, int count, int /*handle*/)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.write_fd < 0 || !buffer || count <= 0)
        return 0;
    uint32_t room = free_bytes(s);
    size_t wanted = std::min<size_t>(static_cast<size_t>(count), room);
    auto* src = static_cast<const unsigned char*>(buffer);
    size_t total = 0;
    while (total < wanted) {
        ssize_t n = ::write(s.write_fd, src + total, wanted - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += static_cast<size_t>(n);
    }
    return static_cast<int>(total);
}

int pcfCloseWrite(int /*handle*/)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.write_fd < 0)
        return 0;
    int rc = ::close(s.write_fd);
    s.write_fd = -1;
    s.write_name.clear();
    return rc == 0 ? 1 : 0;
}

int pcfInfo(PcfInfo& info)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.mounted)
        return 0;
    info.total_bytes = s.capacity;
    info.free_bytes = free_bytes(s);
    info.file_count = static_cast<uint32_t>(list_files(s).size());
    return 1;
}

int pcfGetNumFiles()
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.mounted)
        return 0;
    return static_cast<int>(list_files(s).size());
}

int pcfGetFileName(int index, char* buffer)
{
    Store& s = store();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.mounted || !buffer || index < 0)
        return 0;
    std::vector<std::string> names = list_files(s);
    if (static_cast<size_t>(index) >= names.size())
        return 0;
    // Listed names are at most PCF_NAME_MAX long.
    memcpy(buffer, names[index].c_str(), names[index].size() + 1);
    return 1;
}
