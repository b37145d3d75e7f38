#include "vt_object_model/VtData.h"

#include <cstring>

VtData::VtData(const VtData& other)
{
    assign(other.data_, other.length_);
}

VtData& VtData::operator=(const VtData& other)
{
    if (this != &other)
        assign(other.data_, other.length_);
    return *this;
}

void VtData::assign(const uint8_t* bytes, uint32_t n)
{
    clear();
    if (bytes == nullptr || n == 0)
        return;
    data_ = new uint8_t[n];
    std::memcpy(data_, bytes, n);
    length_ = n;
}

void VtData::clear()
{
    delete[] data_;
    data_ = nullptr;
    length_ = 0;
}

bool VtData::operator==(const VtData& other) const
{
    return length_ == other.length_ && (length_ == 0 || std::memcmp(data_, other.data_, length_) == 0);
}
