#include "glue/diner/waiter_event.h"

#include <cstdlib>
#include <cstring>

namespace {

unsigned char* copy_block(const unsigned char* block)
{
    if (!block)
        return nullptr;
    uint32_t len;
    std::memcpy(&len, block, sizeof len);
    auto* copy = static_cast<unsigned char*>(std::malloc(sizeof len + len));
    if (copy)
        std::memcpy(copy, block, sizeof len + len);
    return copy;
}

} // namespace

waiter_event::waiter_event(const waiter_event& other)
    : module_id(other.module_id), data(other.data), code(other.code),
      extended_data(copy_block(other.extended_data))
{
}

waiter_event& waiter_event::operator=(const waiter_event& other)
{
    if (this == &other)
        return *this;
    module_id = other.module_id;
    data = other.data;
    code = other.code;
    unsigned char* copy = copy_block(other.extended_data);
    std::free(extended_data);
    extended_data = copy;
    return *this;
}

waiter_event::waiter_event(waiter_event&& other) noexcept
    : module_id(other.module_id), data(other.data), code(other.code),
      extended_data(other.extended_data)
{
    other.extended_data = nullptr;
}

waiter_event& waiter_event::operator=(waiter_event&& other) noexcept
{
    if (this == &other)
        return *this;
    module_id = other.module_id;
    data = other.data;
    code = other.code;
    std::free(extended_data);
    extended_data = other.extended_data;
    other.extended_data = nullptr;
    return *this;
}

waiter_event::~waiter_event()
{
    std::free(extended_data);
}

unsigned int waiter_event::get_extended_data_len() const
{
    if (!extended_data)
        return 0;
    uint32_t len;
    std::memcpy(&len, extended_data, sizeof len);
    return len;
}

const unsigned char* waiter_event::get_extended_data() const
{
    return extended_data ? extended_data + sizeof(uint32_t) : nullptr;
}

int waiter_event::set_extended_data(const unsigned char* bytes, unsigned int len)
{
    clear_extended_data();
    if (!bytes || len == 0)
        return 0;
    uint32_t count = len;
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof count + size_t(len)));
    if (!block)
        return 0;
    std::memcpy(block, &count, sizeof count);
    std::memcpy(block + sizeof count, bytes, len);
    extended_data = block;
    return 1;
}

void waiter_event::clear_extended_data()
{
    std::free(extended_data);
    extended_data = nullptr;
}
