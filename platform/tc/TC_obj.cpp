#include "platform/tc/TC_obj.h"

#include <cstring>

namespace TC {

const char* const TC_obj_type::type_strings[NUM_TYPES] = {
    "Device", "Device_element", "Device_process_data", "Device_property",
    "Device_value_presentation",
};

const char* const TC_obj_type::labels[NUM_TYPES] = {"DVC", "DET", "DPD", "DPT", "DVP"};

int TC_obj_type::type_of_label(const unsigned char* label)
{
    for (int t = 0; t < NUM_TYPES; ++t)
        if (std::memcmp(label, labels[t], 3) == 0)
            return t;
    return -1;
}

const char* const TC_obj::NO_NAME = "";

TC_obj::TC_obj(Object_pool* pool, TC_obj_type::type_t type, object_id_t id, const char* name)
    : Iso_object_base(id, type, name), pool_(pool), label_(TC_obj_type::labels[type])
{
    add_attribute(&label_);
    add_attribute(&id_attribute());
}

TC_obj::~TC_obj() { delete spec_; }

void TC_obj::set_spec_node(Spec_node* node)
{
    if (node == spec_)
        return;
    delete spec_;
    spec_ = node;
}

bool TC_obj::__set_by_spec()
{
    if (!spec_)
        return true;
    bool ok = true;
    for (Attribute* a : attributes()) {
        if (a == &label_ || a == &id_attribute() || a->is_reference() || a->filled_elsewhere())
            continue;
        if (!a->set_by_spec(spec_))
            ok = false;
    }
    return ok;
}

bool TC_obj::set_by_spec()
{
    lock();
    bool ok = __set_by_spec();
    unlock();
    return ok;
}

bool TC_obj::take_references(Spec_node* node)
{
    if (!node)
        return true;
    bool ok = true;
    // Lists first: their lengths check what the lists hold.
    for (int pass = 0; pass < 2; ++pass) {
        for (Attribute* a : attributes()) {
            if (a == &id_attribute() || !a->is_reference())
                continue;
            bool is_len = a->type_code() == Attribute::AT_LIST_LEN;
            if (is_len != (pass == 1))
                continue;
            if (!a->set_by_spec(node))
                ok = false;
        }
    }
    return ok;
}

int TC_obj::deserialise_record(const unsigned char* data, int len)
{
    int used = 0;
    for (Attribute* a : attributes()) {
        if (a == &label_ || a == &id_attribute())
            continue;
        int need = a->size();
        if (need > len - used)
            return -1;
        if (a->deserialise(0, data + used, need) != need || !a->valid())
            return -1;
        used += need;
    }
    return used;
}

void TC_obj::print(std::ostream& out) const
{
    out << TC_obj_type::labels[get_type()] << " " << get_id() << " '" << get_name() << "'\n";
    for (const Attribute* a : attributes())
        if (a != &label_)
            a->print(out, 1);
}

} // namespace TC
