#include "util/Tagged_allocation.h"

#include "glue/diner/Mutex.h"

#include <cstdlib>

namespace {

struct Tag_counters {
    Mutex mutexes[TALLOCATION_TAGS];
    int32_t usage[TALLOCATION_TAGS] = {};
};

Tag_counters& counters()
{
    static Tag_counters c;
    return c;
}

} // namespace

void* talloc(uint16_t /*tag*/, int32_t size)
{
    if (size < 0) {
        return nullptr;
    }
    return std::malloc(static_cast<size_t>(size));
}

void tdealloc(void* block)
{
    std::free(block);
}

int32_t tallocation_usage(uint16_t tag)
{
    if (tag >= TALLOCATION_TAGS) {
        return -1;
    }
    Tag_counters& c = counters();
    Mutex::Protection guard(&c.mutexes[tag]);
    return c.usage[tag];
}

int tallocation_init()
{
    Tag_counters& c = counters();
    for (uint16_t tag = 0; tag < TALLOCATION_TAGS; ++tag) {
        Mutex::Protection guard(&c.mutexes[tag]);
        c.usage[tag] = 0;
    }
    return 0;
}
