// Owning list of heap-allocated entries with a read cursor, shared by the
// child, object and macro lists of the VT objects. A growable list starts
// empty and grows 20 entries at a time; a fixed one keeps the capacity it was
// created with and refuses entries beyond it.
#pragma once

#include <cstdint>
#include <cstring>

template <class Entry>
class VtEntryList {
public:
    static constexpr uint32_t kGrowth = 20;

    VtEntryList() = default;
    VtEntryList(const VtEntryList&) = delete;
    VtEntryList& operator=(const VtEntryList&) = delete;
    ~VtEntryList()
    {
        clear();
        delete[] entries_;
    }

    uint32_t size() const { return size_; }
    uint32_t capacity() const { return capacity_; }

    // The entry at index, or null at or past the end.
    Entry* at(uint32_t index) const { return index < size_ ? entries_[index] : nullptr; }

    Entry* first()
    {
        cursor_ = 0;
        return next();
    }
    Entry* next() { return cursor_ < size_ ? entries_[cursor_++] : nullptr; }

    // Deletes every entry; the array is kept.
    void clear()
    {
        for (uint32_t i = 0; i < size_; ++i) {
            delete entries_[i];
            entries_[i] = nullptr;
        }
        size_ = 0;
        cursor_ = 0;
    }

    // Deletes every entry and makes room for exactly capacity entries.
    void reset(uint32_t capacity)
    {
        clear();
        delete[] entries_;
        entries_ = capacity ? new Entry*[capacity]() : nullptr;
        capacity_ = capacity;
    }

protected:
    // Takes ownership of entry; grows the array by kGrowth when it is full.
    void appendGrowing(Entry* entry)
    {
        if (size_ == capacity_)
            grow(capacity_ + kGrowth);
        entries_[size_++] = entry;
    }

    // Takes ownership of entry when there is room; otherwise deletes it and
    // returns false.
    bool appendFixed(Entry* entry)
    {
        if (size_ >= capacity_) {
            delete entry;
            return false;
        }
        entries_[size_++] = entry;
        return true;
    }

    // Makes room for at least capacity entries, keeping the present ones.
    void grow(uint32_t capacity)
    {
        if (capacity <= capacity_)
            return;
        Entry** larger = new Entry*[capacity]();
        if (size_ > 0)
            std::memcpy(larger, entries_, size_ * sizeof(Entry*));
        delete[] entries_;
        entries_ = larger;
        capacity_ = capacity;
    }

private:
    uint32_t capacity_ = 0;
    uint32_t size_ = 0;
    uint32_t cursor_ = 0;
    Entry** entries_ = nullptr;
};
