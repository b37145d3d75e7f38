// Base of the ISO 11783-10 device objects of a TC client's object pool: the
// record label, the object id and the object's attributes in the order of the
// device descriptor object pool's binary form.
#pragma once

#include "platform/iso/Iso_object_base.h"
#include "platform/tc/TC_attribute.h"

#include <mutex>
#include <ostream>

namespace TC {

class Object_pool;

struct TC_obj_type {
    enum type_t {
        DEVICE = 0,
        DEVICE_ELEMENT = 1,
        DEVICE_PROCESS_DATA = 2,
        DEVICE_PROPERTY = 3,
        DEVICE_VALUE_PRESENTATION = 4,
        NUM_TYPES = 5,
    };
    // The element names of the device description.
    static const char* const type_strings[NUM_TYPES];
    // The record labels of the binary pool: "DVC", "DET", "DPD", "DPT", "DVP".
    static const char* const labels[NUM_TYPES];
    // The type of a record label, -1 for none.
    static int type_of_label(const unsigned char* label);
};

class TC_obj : public Iso::Iso_object_base<TC_obj_type::type_t, Attribute, Attribute_object_id> {
public:
    static const char* const NO_NAME;
    static constexpr object_id_t NULL_ID = NULL_OBJECT_ID;

    TC_obj(Object_pool* pool, TC_obj_type::type_t type, object_id_t id, const char* name);
    ~TC_obj() override;

    // The object the device elements keep and use.
    virtual TC_obj* get_obj() { return this; }
    Object_pool* get_pool() const { return pool_; }
    void set_pool(Object_pool* pool) { pool_ = pool; }

    // The object's own lock, taken around reading it from its description.
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }

    // The description element the object was built from; the object owns it.
    void set_spec_node(Spec_node* node);
    Spec_node* get_spec_node() const { return spec_; }
    // Reads every attribute but the references from its description element; false
    // (with a line on the error stream) when a value cannot be had.
    virtual bool __set_by_spec();
    bool set_by_spec();
    // Reads the references to other objects from `node`.
    virtual bool take_references(Spec_node* node);

    // Whether the object goes into the uploaded pool (a disabled device
    // element does not).
    virtual bool is_enabled() const { return true; }

    // Reads the attributes after the label and id from a binary record
    // (`len` bytes at `data`); the bytes used, or -1 when the record is
    // short or a value is unusable.
    int deserialise_record(const unsigned char* data, int len);

    void print(std::ostream& out) const;

protected:
    // Adds the attributes of the binary form after the label and the id.
    void add(Attribute& a) { add_attribute(&a); }

private:
    Object_pool* pool_;
    Spec_node* spec_ = nullptr;
    Attribute_label label_;
    std::recursive_mutex mutex_;
};

} // namespace TC
