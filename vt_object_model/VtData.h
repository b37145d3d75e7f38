// Owned block of bytes of a VT object (picture data, macro commands).
#pragma once

#include <cstdint>

class VtData {
public:
    VtData() = default;
    VtData(const VtData& other);
    VtData& operator=(const VtData& other);
    ~VtData() { clear(); }

    // Replaces the block by a copy of n bytes; null or 0 leaves it empty.
    void assign(const uint8_t* bytes, uint32_t n);
    void clear();

    const uint8_t* getData() const { return data_; }
    uint32_t getLength() const { return length_; }
    bool operator==(const VtData& other) const;

private:
    uint8_t* data_ = nullptr;
    uint32_t length_ = 0;
};
