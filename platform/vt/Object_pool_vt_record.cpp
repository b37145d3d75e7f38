#include "platform/vt/Object_pool_vt_record.h"

#include <cstddef>

namespace VT {

namespace {
uint16_t u16(const std::vector<uint8_t>& c, std::size_t at) { return uint16_t(c[at] | c[at + 1] << 8); }
} // namespace

uint64_t Vt_record::key(unsigned short object, uint8_t function, unsigned short sub)
{
    return uint64_t(object) << 24 | uint64_t(function) << 16 | sub;
}

bool Vt_record::key_of(const std::vector<uint8_t>& c, uint64_t& k)
{
    if (c.size() < 4)
        return false;
    switch (c[0]) {
    case 0xA0:  // hide/show
    case 0xA1:  // enable/disable
    case 0xA6:  // size
    case 0xA7:  // background colour
    case 0xA8:  // numeric value
    case 0xA9:  // end point
    case 0xAA:  // font attributes
    case 0xAB:  // line attributes
    case 0xAC:  // fill attributes
    case 0xAD:  // active mask (of the working set)
    case 0xB0:  // priority
    case 0xB3:  // string value
        k = key(u16(c, 1), c[0]);
        return true;
    case 0xAE:  // soft key mask (of the mask after the mask type)
        k = key(u16(c, 2), c[0]);
        return true;
    case 0xAF:  // attribute
    case 0xB1:  // list item
        k = key(u16(c, 1), c[0], c[3]);
        return true;
    case 0xB4:  // child position (of the child in the parent)
        if (c.size() < 5)
            return false;
        k = key(u16(c, 1), c[0], u16(c, 3));
        return true;
    default:
        return false;
    }
}

bool Vt_record::has(uint64_t key) const
{
    return values_.count(key) != 0;
}

bool Vt_record::holds(uint64_t key, const std::vector<uint8_t>& command) const
{
    const std::vector<uint8_t>* h = held(key);
    return h && *h == command;
}

const std::vector<uint8_t>* Vt_record::held(uint64_t key) const
{
    auto it = values_.find(key);
    return it == values_.end() || it->second.empty() ? nullptr : &it->second;
}

void Vt_record::set_held(uint64_t key, const std::vector<uint8_t>& command)
{
    values_[key] = command;
}

void Vt_record::set_unknown(uint64_t key)
{
    values_[key].clear();
}

void Vt_record::drop_object(unsigned short object)
{
    values_.erase(values_.lower_bound(key(object, 0)), values_.lower_bound(uint64_t(object + 1) << 24));
}

} // namespace VT
