// A fixed ring of bytes: the inbound buffer of the data streams and the pipes
// of the loop-back pair. Appends stop when the ring is full; readers look at
// bytes by index, copy them out without consuming and drop them when done.
#pragma once

#include <cstring>

template <unsigned CAPACITY>
class Byte_ring {
public:
    static constexpr unsigned capacity() { return CAPACITY; }

    unsigned count() const { return count_; }
    bool empty() const { return count_ == 0; }
    bool full() const { return count_ == CAPACITY; }

    // The byte at index i from the front; i must be below count().
    unsigned char at(unsigned i) const { return data_[(read_ + i) % CAPACITY]; }

    // Drops n bytes from the front (at most count()).
    void drop(unsigned n)
    {
        if (n > count_) {
            n = count_;
        }
        read_ = (read_ + n) % CAPACITY;
        count_ -= n;
    }
    void clear() { drop(count_); }

    // Copies up to n bytes starting at offset, across the wrap, without
    // consuming; returns how many were copied (0 when offset >= count()).
    unsigned copy_out(unsigned char* dst, unsigned offset, unsigned n) const
    {
        if (offset >= count_) {
            return 0;
        }
        if (n > count_ - offset) {
            n = count_ - offset;
        }
        unsigned start = (read_ + offset) % CAPACITY;
        unsigned first = n < CAPACITY - start ? n : CAPACITY - start;
        std::memcpy(dst, data_ + start, first);
        std::memcpy(dst + first, data_, n - first);
        return n;
    }

    // Appends up to n bytes, stopping when full; returns how many were stored.
    unsigned append(const unsigned char* src, unsigned n)
    {
        unsigned room = CAPACITY - count_;
        if (n > room) {
            n = room;
        }
        unsigned start = (read_ + count_) % CAPACITY;
        unsigned first = n < CAPACITY - start ? n : CAPACITY - start;
        std::memcpy(data_ + start, src, first);
        std::memcpy(data_, src + first, n - first);
        count_ += n;
        return n;
    }
    // 0 when stored, -1 when full.
    int append(unsigned char byte) { return append(&byte, 1) == 1 ? 0 : -1; }

private:
    unsigned char data_[CAPACITY];
    unsigned read_ = 0;
    unsigned count_ = 0;
};
