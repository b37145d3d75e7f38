// Base of an ISO 11783 object: an id, a type, a name and the ordered list of
// its attributes, whose concatenation is the object's binary form. The VT
// objects (ISO 11783-6) and the TC device objects (ISO 11783-10) derive from
// it with their own type enumeration and attribute classes.
//
// IdAttr must be default-constructible from a name, and offer get() and
// operator=(unsigned short).
#pragma once

#include <cstring>
#include <string>
#include <vector>

namespace Iso {

template <typename TypeT, typename AttrT, typename IdAttrT>
class Iso_object_base {
public:
    static constexpr unsigned short NULL_ID = 65535;

    Iso_object_base(unsigned short id, TypeT type, const char* name = nullptr)
        : id_("id"), type_(type), name_(name ? name : "")
    {
        id_ = id;
    }
    virtual ~Iso_object_base() = default;

    Iso_object_base(const Iso_object_base&) = delete;
    Iso_object_base& operator=(const Iso_object_base&) = delete;

    unsigned short get_id() const { return id_.get(); }
    void set_id(unsigned short id) { id_ = id; }
    TypeT get_type() const { return type_; }
    const char* get_name() const { return name_.c_str(); }
    void set_name(const char* name) { name_ = name ? name : ""; }
    bool has_name() const { return !name_.empty(); }

    // The attributes in the order of the binary form.
    const std::vector<AttrT*>& attributes() const { return attributes_; }

    // Bytes of the whole binary form.
    int binary_size() const
    {
        int total = 0;
        for (const AttrT* a : attributes_)
            total += a->size();
        return total;
    }

    // Writes the binary form from byte `offset` on into `buffer` (at most
    // `len` bytes); returns the bytes written. Calling again with offset
    // advanced by the result continues where the last call stopped.
    int serialise(int offset, unsigned char* buffer, int len) const
    {
        int written = 0;
        for (const AttrT* a : attributes_) {
            int s = a->size();
            if (offset >= s) {
                offset -= s;
                continue;
            }
            int n = a->serialise(offset, buffer + written, len - written);
            written += n;
            offset = 0;
            if (written >= len)
                break;
        }
        return written;
    }

protected:
    void add_attribute(AttrT* a) { attributes_.push_back(a); }
    IdAttrT& id_attribute() { return id_; }

private:
    IdAttrT id_;
    TypeT type_;
    std::string name_;
    std::vector<AttrT*> attributes_;  // members of the derived object, not owned
};

} // namespace Iso
