// Forward cursor over one written range of a data block: tells, item by item
// in ascending address order, whether the bytes that a write is about to store
// differ from those in the store. Positions are kept as offsets from the start
// of the written range, so that moving back to an enclosing record never forms
// a pointer outside the two buffers.
#pragma once

namespace CDS {

class Compare {
public:
    // field: the written bytes in the store; new_value: the bytes to be
    // stored; size: their length.
    Compare(const void* field, const void* new_value, int size);

    // Moves the cursor to the item that starts at address (in the store) and
    // returns whether every byte from there to the end of the written range is
    // equal.
    bool move_to(const void* address);

    // Whether every byte from the current item to the end of the range is
    // equal.
    bool all_equal() const { return all_equal_; }
    // Offset of the first byte, counted from the current item, not known to be
    // equal.
    int first_difference() const { return index_; }

private:
    void step();

    const unsigned char* field_;
    const unsigned char* new_value_;
    int size_;
    int position_ = 0; // the current item, relative to the range start
    int index_ = 0;    // relative to the current item
    bool all_equal_ = false;
};

} // namespace CDS
