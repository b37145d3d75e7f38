// A CAN message's data: up to 8 bytes inline, longer data in the process-wide
// message pool (the memory space "JIN_Message") or in a caller's buffer.
#pragma once

#include "glue/message/Binary_message.h"

class Mspace;

class JIN_base_message : public Binary_message {
public:
    static constexpr unsigned INLINE_SIZE = 8;

    // Empty and null: no data.
    JIN_base_message();
    // len bytes of 0xFF: inline up to 8 bytes, else a pool block; a null
    // message of length 0 when the pool has no such block.
    explicit JIN_base_message(unsigned len);
    // Up to 8 bytes are copied inline; longer data stay in p (not copied,
    // not owned), which must hold len bytes.
    JIN_base_message(unsigned char* p, unsigned len);
    // An empty message that then copies or takes over other's data.
    JIN_base_message(JIN_base_message& other, bool copy);
    JIN_base_message(const JIN_base_message& other);
    JIN_base_message& operator=(const JIN_base_message& other);
    ~JIN_base_message() override;

    // Sets the length, within the capacity of the current data.
    virtual void set_length(unsigned len);

    // Returns a pool block to the pool; the data go back inline; null.
    void dealloc();
    // Fresh storage of len bytes (contents not kept, not filled); false,
    // null and length 0 when the pool has none.
    bool resize(unsigned len);
    // A copy of other's bytes; null when the pool has no room.
    void copy_from(const JIN_base_message& other);
    // Takes over other's data without pool traffic; other is left empty.
    void move_from(JIN_base_message& other);

    unsigned char& operator[](unsigned i) { return buffer[i]; }
    unsigned char operator[](unsigned i) const { return buffer[i]; }
    unsigned char* get_data() { return buffer; }
    const unsigned char* get_data() const { return buffer; }
    using Binary_message::get_data;

    bool is_null() const { return null_; }
    bool is_valid() const { return !null_; }
    bool is_pool_owned() const { return pool_owned_; }

    // The message pool (the memory space "JIN_Message", which locks around
    // allocation and release, so any thread may build and destroy messages).
    static Mspace& pool();
    static void* pool_alloc(unsigned len);
    static void pool_free(void* block);

protected:
    // Points the view at the inline buffer with length len (at most 8).
    void use_inline(unsigned len);

private:
    unsigned char inline_buf_[INLINE_SIZE];
    bool pool_owned_ = false;
    bool null_ = true;
};
