#include "platform/tc/TC_device_objects.h"

#include "platform/tc/TC_object_pool.h"

#include <cstdio>
#include <cstring>

namespace TC {

Device_obj::Device_obj(Object_pool* pool, object_id_t id, const char* name)
    : TC_obj(pool, TC_obj_type::DEVICE, id, name)
{
    add(designator_length);
    add(designator);
    add(software_version_length);
    add(software_version);
    add(working_set_master_name_length);
    add(working_set_master_name);
    add(serial_number_length);
    add(serial_number);
    add(structure_label);
    add(localisation_label);
}

void Device_obj::set_structure_label(const char* seven) { structure_label.set_bytes(seven); }

void Device_obj::set_localisation_label(const unsigned char* seven)
{
    localisation_label.set_bytes(seven);
}

void Device_obj::set_working_set_master_name(const unsigned char* eight)
{
    working_set_master_name.set_bytes(eight);
}

bool Device_obj::set_designator(const char* text)
{
    return designator.set_text(text, int(std::strlen(text)));
}

Device_element_obj::Device_element_obj(Object_pool* pool, object_id_t id, const char* name)
    : TC_obj(pool, TC_obj_type::DEVICE_ELEMENT, id, name)
{
    add(type);
    add(designator_length);
    add(designator);
    add(number);
    add(parent);
    add(num_child_objects);
    add(child_objects);
}

bool Device_element_obj::take_references(Spec_node* node)
{
    if (!TC_obj::take_references(node))
        return false;
    // Without a "parent" of its own, an element belongs to the element (or
    // device) it is written in.
    if (node && parent.get() == NULL_OBJECT_ID) {
        if (Spec_node* up = node->get_parent())
            parent = up->get_own_object_id();
    }
    return true;
}

bool Device_element_obj::send_process_data(ddi_t ddi, int value)
{
    Object_pool* pool = get_pool();
    return pool && pool->send_process_data(get_number(), ddi, value);
}

void Device_element_obj::set_child_objects(unsigned short count, const Attribute_object_id* ids)
{
    child_objects.set_count(ids ? count : 0);
    for (int i = 0; ids && i < count; ++i)
        child_objects[i] = ids[i].get();
}

Device_process_data_obj::Device_process_data_obj(Object_pool* pool, object_id_t id,
                                                 const char* name)
    : TC_obj(pool, TC_obj_type::DEVICE_PROCESS_DATA, id, name)
{
    add(ddi);
    add(properties);
    add(available_trigger_methods);
    add(length);
    add(designator);
    add(value_presentation_object);
}

Device_property_obj::Device_property_obj(Object_pool* pool, object_id_t id, const char* name)
    : TC_obj(pool, TC_obj_type::DEVICE_PROPERTY, id, name)
{
    add(ddi);
    add(value);
    add(length);
    add(designator);
    add(value_presentation_object);
}

void Device_property_obj::take_shape_of(const Device_property_obj& other)
{
    ddi = other.get_ddi();
    const std::string text = other.get_designator();
    designator.set_text(text.c_str(), int(text.size()));
    value_presentation_object = other.get_presentation();
}

Device_value_presentation_obj::Device_value_presentation_obj(Object_pool* pool, object_id_t id,
                                                             const char* name)
    : TC_obj(pool, TC_obj_type::DEVICE_VALUE_PRESENTATION, id, name)
{
    add(offset);
    add(scale);
    add(number_of_decimals);
    add(unit_designator_length);
    add(unit_designator);
}

TC_obj* create_object(Object_pool* pool, int type, object_id_t id, const char* name)
{
    switch (type) {
    case TC_obj_type::DEVICE:
        return new Client::Device_obj(pool, id, name);
    case TC_obj_type::DEVICE_ELEMENT:
        return new Client::Device_element_obj(pool, id, name);
    case TC_obj_type::DEVICE_PROCESS_DATA:
        return new Client::Device_process_data_obj(pool, id, name);
    case TC_obj_type::DEVICE_PROPERTY:
        return new Client::Device_property_obj(pool, id, name);
    case TC_obj_type::DEVICE_VALUE_PRESENTATION:
        return new Client::Device_value_presentation_obj(pool, id, name);
    default:
        return nullptr;
    }
}

namespace Client {

Device_element_obj::Device_element_obj(Object_pool* pool, object_id_t id, const char* name,
                                       unsigned char element_type,
                                       unsigned char designator_len, const char* text,
                                       unsigned short element_number, object_id_t parent_id,
                                       unsigned short num_children,
                                       const Attribute_object_id* child_ids)
    : TC::Device_element_obj(pool, id, name)
{
    type = element_type;
    int len = text ? int(strnlen(text, designator_len)) : 0;
    if (len > MAX_DESIGNATOR) {
        std::fprintf(stderr, "Device element %u: designator cut to %d characters\n", id,
                     MAX_DESIGNATOR);
        len = MAX_DESIGNATOR;
    }
    designator.set_text(text ? text : "", len);
    number = element_number;
    parent = parent_id;
    child_objects.set_count(child_ids ? num_children : 0);
    for (int i = 0; child_ids && i < num_children; ++i)
        child_objects[i] = child_ids[i].get();
}

} // namespace Client

} // namespace TC
