// A path of NV ids through the settings tree, target first and root last: a
// ring of at most 10 ids.
#pragma once

namespace NV_store {

class NV_item;

class NV_path {
public:
    static constexpr int CAPACITY = 10;

    // 0, or -1 when the ring is full.
    int push(unsigned short id);
    int push(const NV_item* item);
    // Takes the last id off; false when empty.
    bool pop_last(unsigned short& id);
    // The last id pushed, without taking it.
    bool peek_last(unsigned short& id) const;
    // The i-th id from the oldest.
    unsigned short at(int i) const { return ids_[(read_ + i) % CAPACITY]; }
    int fill() const { return count_; }
    void clear() { read_ = count_ = 0; }

private:
    unsigned short ids_[CAPACITY] = {};
    int read_ = 0;
    int count_ = 0;
};

} // namespace NV_store
