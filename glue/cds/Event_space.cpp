#include "glue/cds/Event_space.h"

// The space is kept as a byte budget of 24,576 bytes over the heap until it
// moves onto the named memory spaces; allocation fails when it is spent.
#include <cstdlib>
#include <mutex>

namespace CDS {

namespace {
constexpr std::size_t space_size = 24576;
std::mutex space_lock;
std::size_t used = 0;
} // namespace

void* Event_space_object::operator new(std::size_t size) noexcept
{
    std::lock_guard<std::mutex> guard(space_lock);
    std::size_t chunk = (size + 15) & ~std::size_t(7);
    if (used + chunk > space_size)
        return nullptr;
    auto* block = static_cast<std::size_t*>(std::malloc(chunk));
    if (!block)
        return nullptr;
    block[0] = chunk;
    used += chunk;
    return block + 1;
}

void Event_space_object::operator delete(void* block) noexcept
{
    if (!block)
        return;
    std::lock_guard<std::mutex> guard(space_lock);
    auto* start = static_cast<std::size_t*>(block) - 1;
    used -= start[0];
    std::free(start);
}

std::size_t event_space_free()
{
    std::lock_guard<std::mutex> guard(space_lock);
    return space_size - used;
}

} // namespace CDS
