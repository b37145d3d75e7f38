// Base of the objects of the working set's VT object pool. Each object keeps
// its ISO 11783-6 attributes in an object of the VT object library (the same
// classes that write and read object-pool streams), so the pool's binary form
// is exactly what the library writes. The object's record (id, type code,
// attributes) is handed out piecewise for the pool transfer.
#pragma once

#include "platform/iso/Iso_attribute.h"
#include "platform/iso/Iso_object_base.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class VtObject;

namespace VT {

class Object_pool;

// ISO 11783-6 object type codes.
enum VT_obj_type : unsigned char {
    WORKING_SET = 0,
    DATA_MASK = 1,
    ALARM_MASK = 2,
    CONTAINER = 3,
    SOFT_KEY_MASK = 4,
    KEY = 5,
    BUTTON = 6,
    INPUT_BOOLEAN = 7,
    INPUT_STRING = 8,
    INPUT_NUMBER = 9,
    INPUT_LIST = 10,
    OUTPUT_STRING = 11,
    OUTPUT_NUMBER = 12,
    LINE = 13,
    RECTANGLE = 14,
    ELLIPSE = 15,
    POLYGON = 16,
    METER = 17,
    LINEAR_BAR_GRAPH = 18,
    ARCHED_BAR_GRAPH = 19,
    PICTURE_GRAPHIC = 20,
    NUMBER_VARIABLE = 21,
    STRING_VARIABLE = 22,
    FONT_ATTRIBUTES = 23,
    LINE_ATTRIBUTES = 24,
    FILL_ATTRIBUTES = 25,
    INPUT_ATTRIBUTES = 26,
    OBJECT_POINTER = 27,
    MACRO = 28,
    VT_OBJ_TYPE_COUNT = 29,
};

// Name of the type as the pool specification spells it ("data_mask"), or null.
const char* type_name(int type);
// The type of that name, or -1.
int type_from_name(const char* name);

// An attribute of a VT object's record.
class Attribute : public Iso::Attribute {
public:
    using Iso::Attribute::Attribute;
};

// A little-endian unsigned integer of `Bytes` bytes.
template <typename T, int TypeCode>
class Attribute_number : public Attribute {
public:
    explicit Attribute_number(const char* name = "", T value = 0) : Attribute(name), value_(value) {}
    T get() const { return value_; }
    Attribute_number& operator=(T value) { value_ = value; return *this; }
    int size() const override { return int(sizeof(T)); }
    int serialise(int offset, unsigned char* buffer, int len) const override
    {
        unsigned char bytes[sizeof(T)];
        for (unsigned i = 0; i < sizeof(T); ++i)
            bytes[i] = static_cast<unsigned char>(value_ >> (8 * i));
        return serialise_piece(bytes, int(sizeof(T)), offset, buffer, len);
    }
    int deserialise(int offset, const unsigned char* buffer, int len) override
    {
        unsigned char bytes[sizeof(T)];
        for (unsigned i = 0; i < sizeof(T); ++i)
            bytes[i] = static_cast<unsigned char>(value_ >> (8 * i));
        int n = deserialise_piece(bytes, int(sizeof(T)), offset, buffer, len);
        T v = 0;
        for (unsigned i = 0; i < sizeof(T); ++i)
            v = T(v | T(bytes[i]) << (8 * i));
        value_ = v;
        return n;
    }
    int type_code() const override { return TypeCode; }

private:
    T value_;
};

using Attribute_uint8 = Attribute_number<unsigned char, 1>;
using Attribute_uint16 = Attribute_number<unsigned short, 2>;

class VT_obj;

// The attributes after id and type, as the VT object library writes them.
class Attribute_body : public Attribute {
public:
    explicit Attribute_body(VT_obj& owner) : Attribute("attributes"), owner_(owner) {}
    int size() const override;
    int serialise(int offset, unsigned char* buffer, int len) const override;
    int deserialise(int offset, const unsigned char* buffer, int len) override { return 0; }
    int type_code() const override { return 100; }

private:
    VT_obj& owner_;
};

class VT_obj : public Iso::Iso_object_base<VT_obj_type, Attribute, Attribute_uint16> {
public:
    VT_obj(unsigned short id, VT_obj_type type, const char* name);
    ~VT_obj() override;

    // The pool whose running session the changes go to (set by the pool when
    // the object is added; objects made at run time set it before).
    // Publishes the record as it stands then.
    void set_pool(Object_pool* pool);
    Object_pool* get_pool() const { return pool_; }

    // Replaces the attributes by the record body `bytes` (what follows id and
    // type in a pool stream). False, and nothing changed, when the bytes are
    // not exactly one body of this type.
    bool load_body(const uint8_t* bytes, uint32_t len);
    // The attribute bytes after id and type, as uploaded.
    const std::vector<uint8_t>& body() const;

    // The object's setters and getters belong to the thread that changes it
    // (the screens'). Each change publishes a copy of the record; the two
    // calls below read that copy and may come from any thread (the VT
    // session's).
    // Appends the whole record (id, type, attributes).
    void append_record(std::vector<uint8_t>& out) const;
    // The variable an input field edits, NULL_ID for none and for the other
    // types.
    unsigned short get_edited_variable() const;

    // The object of the VT object library that holds the attributes.
    VtObject& model() const { return *model_; }
    // Width and height of an object type that has a size; false (and 0, 0)
    // for the others.
    bool get_size(unsigned short& width, unsigned short& height) const;

    // A new object of the class that belongs to `type`, or null.
    static VT_obj* create(unsigned short id, int type, const char* name);

protected:
    // The attributes changed without a command to the VT: the VT sees the
    // change with the object's next upload.
    void touched();
    // Marks the object changed and, while the pool takes changes, queues the
    // change command for the VT (the pool leaves out a value the VT holds).
    void send(std::vector<uint8_t> command);
    // Change Attribute with a 32-bit value.
    void send_attribute(int aid, uint32_t value);

    template <class M>
    M& m() const { return static_cast<M&>(*model_); }

private:
    // The pool keeps, with the versions below, which of the object's values
    // the VT holds.
    friend class Object_pool;

    // Publishes the record as the attributes now are.
    void publish();

    std::unique_ptr<VtObject> model_;
    Object_pool* pool_ = nullptr;
    // Counts the changes of the attributes.
    std::atomic<uint32_t> version_{1};
    // The version whose record was written last (for an upload).
    mutable std::atomic<uint32_t> written_version_{0};
    // The version the VT holds but for the values the pool's record of the
    // VT names; another than version_ once a change went by the VT
    // unseen. Under the pool's state lock.
    uint32_t vt_version_ = 0;
    Attribute_uint8 type_attr_;
    Attribute_body body_attr_;
    // The changing thread's cache of the record body.
    mutable std::vector<uint8_t> body_;
    mutable bool body_valid_ = false;
    // The published record body, with its version and the variable an input
    // edits.
    mutable std::mutex published_mutex_;
    std::vector<uint8_t> published_body_;
    uint32_t published_version_ = 0;
    unsigned short published_variable_ = 0xFFFF;
};

// The object as T when it is of T's type, else null.
template <class T>
T* obj_cast(VT_obj* obj)
{
    return obj && obj->get_type() == T::TYPE ? static_cast<T*>(obj) : nullptr;
}
template <>
inline VT_obj* obj_cast<VT_obj>(VT_obj* obj)
{
    return obj;
}

} // namespace VT
