// An independent reading of a binary device descriptor object pool, written
// from the object layouts of ISO 11783-10 (DVC, DET, DPD, DPT, DVP, all
// little-endian) and sharing no code with the program's object library, so
// that a test can check what a task controller's own reader makes of the
// pool the program uploads. It reads the records, writes them back, and
// resolves the references the way task controllers do: the device is the
// object with id 0.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace ddop_reading {

constexpr uint16_t NO_OBJECT = 0xFFFF;
constexpr uint16_t DEVICE_ID = 0;

struct Device {
    std::string designator, software_version, serial_number;
    std::vector<uint8_t> master_name;  // 8 bytes
    std::string structure_label;       // 7 bytes
    std::vector<uint8_t> localisation_label;  // 7 bytes
};
struct Element {
    uint8_t type = 0;
    std::string designator;
    uint16_t number = 0;
    uint16_t parent = NO_OBJECT;
    std::vector<uint16_t> children;
};
struct Process_data {
    uint16_t ddi = 0;
    uint8_t properties = 0;
    uint8_t triggers = 0;
    std::string designator;
    uint16_t presentation = NO_OBJECT;
};
struct Property {
    uint16_t ddi = 0;
    int32_t value = 0;
    std::string designator;
    uint16_t presentation = NO_OBJECT;
};
struct Presentation {
    int32_t offset = 0;
    float scale = 0;
    uint8_t decimals = 0;
    std::string unit;
};

struct Object {
    std::string label;  // "DVC", "DET", "DPD", "DPT" or "DVP"
    uint16_t id = 0;
    Device device;
    Element element;
    Process_data pd;
    Property property;
    Presentation presentation;
};

// The objects in the order of the pool; `error` says where reading stopped.
struct Pool {
    std::vector<Object> objects;
    std::string error;

    const Object* find(uint16_t id) const
    {
        for (const Object& o : objects)
            if (o.id == id)
                return &o;
        return nullptr;
    }
};

class Reader {
public:
    Reader(const uint8_t* data, size_t len) : d_(data), len_(len) {}

    bool u8(uint8_t& v)
    {
        if (at_ + 1 > len_)
            return false;
        v = d_[at_++];
        return true;
    }
    bool u16(uint16_t& v)
    {
        if (at_ + 2 > len_)
            return false;
        v = uint16_t(d_[at_] | d_[at_ + 1] << 8);
        at_ += 2;
        return true;
    }
    bool u32(uint32_t& v)
    {
        if (at_ + 4 > len_)
            return false;
        v = uint32_t(d_[at_]) | uint32_t(d_[at_ + 1]) << 8 | uint32_t(d_[at_ + 2]) << 16 |
            uint32_t(d_[at_ + 3]) << 24;
        at_ += 4;
        return true;
    }
    bool bytes(size_t n, std::string& out)
    {
        if (at_ + n > len_)
            return false;
        out.assign(reinterpret_cast<const char*>(d_ + at_), n);
        at_ += n;
        return true;
    }
    // A count byte and that many bytes.
    bool counted(std::string& out)
    {
        uint8_t n = 0;
        return u8(n) && bytes(n, out);
    }
    bool done() const { return at_ == len_; }
    size_t at() const { return at_; }

private:
    const uint8_t* d_;
    size_t len_;
    size_t at_ = 0;
};

inline bool read_object(Reader& r, Object& o)
{
    if (!r.bytes(3, o.label) || !r.u16(o.id))
        return false;
    if (o.label == "DVC") {
        Device& v = o.device;
        std::string name, localisation;
        if (!r.counted(v.designator) || !r.counted(v.software_version) || !r.bytes(8, name) ||
            !r.counted(v.serial_number) || !r.bytes(7, v.structure_label) ||
            !r.bytes(7, localisation))
            return false;
        v.master_name.assign(name.begin(), name.end());
        v.localisation_label.assign(localisation.begin(), localisation.end());
        return true;
    }
    if (o.label == "DET") {
        Element& v = o.element;
        uint16_t count = 0;
        if (!r.u8(v.type) || !r.counted(v.designator) || !r.u16(v.number) || !r.u16(v.parent) ||
            !r.u16(count))
            return false;
        v.children.resize(count);
        for (uint16_t& c : v.children)
            if (!r.u16(c))
                return false;
        return true;
    }
    if (o.label == "DPD") {
        Process_data& v = o.pd;
        return r.u16(v.ddi) && r.u8(v.properties) && r.u8(v.triggers) &&
               r.counted(v.designator) && r.u16(v.presentation);
    }
    if (o.label == "DPT") {
        Property& v = o.property;
        uint32_t value = 0;
        bool ok = r.u16(v.ddi) && r.u32(value) && r.counted(v.designator) &&
                  r.u16(v.presentation);
        v.value = int32_t(value);
        return ok;
    }
    if (o.label == "DVP") {
        Presentation& v = o.presentation;
        uint32_t offset = 0, scale = 0;
        bool ok = r.u32(offset) && r.u32(scale) && r.u8(v.decimals) && r.counted(v.unit);
        v.offset = int32_t(offset);
        std::memcpy(&v.scale, &scale, 4);
        return ok;
    }
    return false;
}

inline Pool read(const std::vector<uint8_t>& bytes)
{
    Pool pool;
    Reader r(bytes.data(), bytes.size());
    while (!r.done()) {
        const size_t start = r.at();
        Object o;
        if (!read_object(r, o)) {
            pool.error = "record at byte " + std::to_string(start) + " cannot be read";
            return pool;
        }
        pool.objects.push_back(o);
    }
    return pool;
}

// Writes the objects back in the same layout.
inline std::vector<uint8_t> write(const Pool& pool)
{
    std::vector<uint8_t> out;
    auto u8 = [&](uint8_t v) { out.push_back(v); };
    auto u16 = [&](uint16_t v) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(uint8_t(v >> (8 * i)));
    };
    auto raw = [&](const std::string& s) { out.insert(out.end(), s.begin(), s.end()); };
    auto counted = [&](const std::string& s) {
        u8(uint8_t(s.size()));
        raw(s);
    };
    for (const Object& o : pool.objects) {
        raw(o.label);
        u16(o.id);
        if (o.label == "DVC") {
            const Device& v = o.device;
            counted(v.designator);
            counted(v.software_version);
            out.insert(out.end(), v.master_name.begin(), v.master_name.end());
            counted(v.serial_number);
            raw(v.structure_label);
            out.insert(out.end(), v.localisation_label.begin(), v.localisation_label.end());
        } else if (o.label == "DET") {
            const Element& v = o.element;
            u8(v.type);
            counted(v.designator);
            u16(v.number);
            u16(v.parent);
            u16(uint16_t(v.children.size()));
            for (uint16_t c : v.children)
                u16(c);
        } else if (o.label == "DPD") {
            const Process_data& v = o.pd;
            u16(v.ddi);
            u8(v.properties);
            u8(v.triggers);
            counted(v.designator);
            u16(v.presentation);
        } else if (o.label == "DPT") {
            const Property& v = o.property;
            u16(v.ddi);
            u32(uint32_t(v.value));
            counted(v.designator);
            u16(v.presentation);
        } else if (o.label == "DVP") {
            const Presentation& v = o.presentation;
            u32(uint32_t(v.offset));
            uint32_t scale = 0;
            std::memcpy(&scale, &v.scale, 4);
            u32(scale);
            u8(v.decimals);
            counted(v.unit);
        }
    }
    return out;
}

// Resolves every reference as a task controller does: the one device at
// id 0, every element's parent the device or an element, its children
// process data or properties, every presentation a DVP (or none), unique
// ids and element numbers, no loops. An empty text when all resolve.
inline std::string resolve(const Pool& pool)
{
    std::set<uint16_t> ids;
    std::set<uint16_t> numbers;
    int devices = 0;
    for (const Object& o : pool.objects) {
        if (!ids.insert(o.id).second)
            return "object " + std::to_string(o.id) + " is there twice";
        if (o.label == "DVC")
            ++devices;
    }
    const Object* device = pool.find(DEVICE_ID);
    if (devices != 1 || !device || device->label != "DVC")
        return "no device at object id 0";
    auto is = [&](uint16_t id, const char* label) {
        const Object* o = pool.find(id);
        return o && o->label == label;
    };
    for (const Object& o : pool.objects) {
        const std::string name = o.label + " " + std::to_string(o.id);
        if (o.label == "DET") {
            if (!numbers.insert(o.element.number).second)
                return name + " repeats element number " + std::to_string(o.element.number);
            uint16_t up = o.element.parent;
            for (size_t steps = 0; up != DEVICE_ID; ++steps) {
                if (!is(up, "DET") || steps > pool.objects.size())
                    return "Object " + std::to_string(up) + " (parent of " + name +
                           ") is not found";
                up = pool.find(up)->element.parent;
            }
            for (uint16_t c : o.element.children)
                if (!is(c, "DPD") && !is(c, "DPT"))
                    return "Object " + std::to_string(c) + " (child of " + name +
                           ") is not found";
        } else if (o.label == "DPD" || o.label == "DPT") {
            uint16_t p = o.label == "DPD" ? o.pd.presentation : o.property.presentation;
            if (p != NO_OBJECT && !is(p, "DVP"))
                return "Object " + std::to_string(p) + " (presentation of " + name +
                       ") is not found";
        }
    }
    return "";
}

} // namespace ddop_reading
