#include "glue/cds/Compare.h"

#include <cstdint>
#include <cstring>

namespace CDS {

Compare::Compare(const void* field, const void* new_value, int size)
    : field_(static_cast<const unsigned char*>(field)),
      new_value_(static_cast<const unsigned char*>(new_value)), size_(size)
{
    step();
}

// Compares from the first byte not yet known to be equal up to the end of the
// written range, a word at a time where it can, and stops at the first
// difference. Bytes before the written range are never compared.
void Compare::step()
{
    const int length = size_ - position_; // from the current item to the end
    if (length < 1) {
        all_equal_ = true;
        return;
    }
    int i = index_;
    if (position_ + i < 0)
        i = -position_;
    const unsigned char* a = field_ + position_;
    const unsigned char* b = new_value_ + position_;
    // Byte by byte until the store address is word-aligned.
    while (i < length && (reinterpret_cast<uintptr_t>(a + i) % sizeof(uint64_t)) != 0) {
        if (a[i] != b[i])
            break;
        ++i;
    }
    if (i < length && a[i] == b[i]) {
        uint64_t wa, wb;
        while (i + int(sizeof wa) <= length) {
            std::memcpy(&wa, a + i, sizeof wa);
            std::memcpy(&wb, b + i, sizeof wb);
            if (wa != wb)
                break;
            i += int(sizeof wa);
        }
        while (i < length && a[i] == b[i])
            ++i;
    }
    index_ = i;
    all_equal_ = (i >= length);
}

bool Compare::move_to(const void* address)
{
    const intptr_t target = reinterpret_cast<intptr_t>(address) - reinterpret_cast<intptr_t>(field_);
    const int distance = int(target - position_);
    if (distance == 0)
        return all_equal_;
    if (distance < 0) {
        // Back to an enclosing item: what lies before the range is not
        // compared, the first difference stays where it was.
        position_ += distance;
        index_ -= distance;
        step();
        return all_equal_;
    }
    position_ += distance;
    if (index_ > distance) {
        index_ -= distance;
    } else {
        index_ = 0;
        step();
    }
    if (size_ - position_ < 1)
        all_equal_ = true;
    return all_equal_;
}

} // namespace CDS
