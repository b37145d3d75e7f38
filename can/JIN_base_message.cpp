#include "can/JIN_base_message.h"

#include "util/Mspace.h"

#include <cstring>

Mspace& JIN_base_message::pool()
{
    return jin_message_space();
}

void* JIN_base_message::pool_alloc(unsigned len)
{
    return pool().malloc(len);
}

void JIN_base_message::pool_free(void* block)
{
    pool().free(block);
}

JIN_base_message::JIN_base_message() : Binary_message(nullptr, 0, INLINE_SIZE)
{
    use_inline(0);
}

JIN_base_message::JIN_base_message(unsigned len) : Binary_message(nullptr, 0, INLINE_SIZE)
{
    std::memset(inline_buf_, 0xFF, sizeof inline_buf_);
    use_inline(0);
    if (!resize(len))
        return;
    std::memset(buffer, 0xFF, len);
}

JIN_base_message::JIN_base_message(unsigned char* p, unsigned len)
    : Binary_message(nullptr, 0, INLINE_SIZE)
{
    if (!p && len) {
        // No buffer behind the length: nothing valid to view.
        use_inline(0);
        return;
    }
    if (len <= INLINE_SIZE) {
        if (len)
            std::memcpy(inline_buf_, p, len);
        use_inline(len);
    } else {
        set_view(p, len, len);
    }
    null_ = false;
}

JIN_base_message::JIN_base_message(JIN_base_message& other, bool copy)
    : Binary_message(nullptr, 0, INLINE_SIZE)
{
    use_inline(0);
    if (copy)
        copy_from(other);
    else
        move_from(other);
}

JIN_base_message::JIN_base_message(const JIN_base_message& other)
    : Binary_message(nullptr, 0, INLINE_SIZE)
{
    use_inline(0);
    copy_from(other);
}

JIN_base_message& JIN_base_message::operator=(const JIN_base_message& other)
{
    if (this != &other)
        copy_from(other);
    return *this;
}

JIN_base_message::~JIN_base_message()
{
    dealloc();
}

void JIN_base_message::use_inline(unsigned len)
{
    set_view(inline_buf_, len, INLINE_SIZE);
}

void JIN_base_message::set_length(unsigned len)
{
    Binary_message::set_length(len <= capacity ? len : capacity);
}

void JIN_base_message::dealloc()
{
    if (pool_owned_)
        pool_free(buffer);
    // The length stays, but never beyond the inline buffer that the view
    // falls back to: getters must not read past it.
    unsigned len = length;
    use_inline(len <= INLINE_SIZE ? len : INLINE_SIZE);
    pool_owned_ = false;
    null_ = true;
}

bool JIN_base_message::resize(unsigned len)
{
    dealloc();
    if (len <= INLINE_SIZE) {
        use_inline(0);
        set_length(len);
        null_ = false;
        return true;
    }
    void* block = pool_alloc(len);
    if (!block) {
        use_inline(0);
        set_length(0);
        return false;
    }
    set_view(static_cast<unsigned char*>(block), 0, len);
    set_length(len);
    pool_owned_ = true;
    null_ = false;
    return true;
}

void JIN_base_message::copy_from(const JIN_base_message& other)
{
    if (this == &other)
        return;
    if (!resize(other.length))
        return;
    if (other.length)
        std::memmove(buffer, other.buffer, other.length);
}

void JIN_base_message::move_from(JIN_base_message& other)
{
    if (this == &other)
        return;
    dealloc();
    unsigned len = other.length;
    if (len <= INLINE_SIZE) {
        use_inline(len);
        if (len)
            std::memcpy(inline_buf_, other.buffer, len);
        pool_owned_ = false;
        null_ = false;
        return;
    }
    set_view(other.buffer, len, other.capacity);
    pool_owned_ = other.pool_owned_;
    null_ = other.null_;
    other.use_inline(0);
    other.pool_owned_ = false;
    other.null_ = true;
    other.set_length(0);
}
