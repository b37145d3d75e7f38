// The five device object kinds of ISO 11783-10 (device, device element,
// device process data, device property, device value presentation) and the
// client classes the description reader and the application create.
#pragma once

#include "platform/tc/TC_obj.h"

namespace TC {

// DVC: the device itself.
class Device_obj : public TC_obj {
public:
    Device_obj(Object_pool* pool, object_id_t id, const char* name);

    std::string get_designator() const { return designator.get_text(); }
    std::string get_software_version() const { return software_version.get_text(); }
    std::string get_serial_number() const { return serial_number.get_text(); }
    const unsigned char* get_working_set_master_name() const
    {
        return working_set_master_name.data();
    }
    const char* get_structure_label() const { return structure_label.data(); }
    const unsigned char* get_localisation_label() const { return localisation_label.data(); }
    void set_structure_label(const char* seven);
    void set_localisation_label(const unsigned char* seven);
    void set_working_set_master_name(const unsigned char* eight);
    bool set_designator(const char* text);

private:
    Attribute_array<char> designator{"designator"};
    Attribute_list_len<unsigned char> designator_length{"designator_length", &designator};
    Attribute_array<char> software_version{"software_version"};
    Attribute_list_len<unsigned char> software_version_length{"software_version_length",
                                                               &software_version};
    Attribute_fixed_array_uint8<8> working_set_master_name{"working_set_master_name"};
    Attribute_list_len<unsigned char> working_set_master_name_length{
        "working_set_master_name_length", &working_set_master_name, false};
    Attribute_array<char> serial_number{"serial_number"};
    Attribute_list_len<unsigned char> serial_number_length{"serial_number_length",
                                                            &serial_number};
    Attribute_fixed_array_char<7> structure_label{"structure_label"};
    Attribute_fixed_array_uint8<7> localisation_label{"localisation_label"};
};

// DET: a device element (device, function, bin, section, unit, connector,
// navigation reference) with its number, parent and child objects.
class Device_element_obj : public TC_obj {
public:
    enum element_type_t {
        DEVICE = 1,
        FUNCTION = 2,
        BIN = 3,
        SECTION = 4,
        UNIT = 5,
        CONNECTOR = 6,
        NAVIGATION_REFERENCE = 7,
    };
    static constexpr unsigned short MAX_NUMBER = 4095;

    Device_element_obj(Object_pool* pool, object_id_t id, const char* name);

    unsigned short get_number() const { return number.get(); }
    unsigned char get_element_type() const { return type.get(); }
    object_id_t get_parent() const { return parent.get(); }
    std::string get_designator() const { return designator.get_text(); }
    int get_num_children() const { return child_objects.get_count(); }
    object_id_t get_child(int i) const { return child_objects[i].get(); }

    bool take_references(Spec_node* node) override;

    // A disabled element is left out of the pool the task controller sees.
    void set_enabled(bool enabled) { enabled_ = enabled; }
    bool is_enabled() const override { return enabled_; }

    // Sends a process-data value of this element to the task controller.
    bool send_process_data(ddi_t ddi, int value);
    // Replaces the list of child objects.
    void set_child_objects(unsigned short count, const Attribute_object_id* ids);

protected:
    Attribute_uint8 type{"type", DEVICE, DEVICE, NAVIGATION_REFERENCE};
    Attribute_array<char> designator{"designator"};
    Attribute_list_len<unsigned char> designator_length{"designator_length", &designator};
    Attribute_uint16 number{"number", 0, 0, MAX_NUMBER};
    Attribute_object_id parent{"parent"};
    Attribute_list<Attribute_object_id> child_objects{"child_objects"};
    Attribute_list_len<unsigned short> num_child_objects{"num_child_objects", &child_objects};
    bool enabled_ = true;
};

// DPD: one process datum of an element: its DDI, properties and triggers.
class Device_process_data_obj : public TC_obj {
public:
    enum property_bits { PROP_DEFAULT_SET = 1, PROP_SETTABLE = 2 };
    enum trigger_bits {
        TRIG_TIME = 1,
        TRIG_DISTANCE = 2,
        TRIG_THRESHOLD = 4,
        TRIG_ON_CHANGE = 8,
        TRIG_TOTAL = 16,
    };

    Device_process_data_obj(Object_pool* pool, object_id_t id, const char* name);

    ddi_t get_ddi() const { return ddi.get(); }
    void set_ddi(ddi_t d) { ddi = d; }
    unsigned char get_properties() const { return properties.get(); }
    unsigned char get_trigger_methods() const { return available_trigger_methods.get(); }
    object_id_t get_presentation() const { return value_presentation_object.get(); }
    std::string get_designator() const { return designator.get_text(); }

protected:
    Attribute_uint16 ddi{"ddi"};
    Attribute_uint8 properties{"properties", 0, 0, 3};
    Attribute_uint8 available_trigger_methods{"available_trigger_methods", 0, 0, 31};
    Attribute_array<char> designator{"designator"};
    Attribute_list_len<unsigned char> length{"length", &designator};
    Attribute_object_id value_presentation_object{"value_presentation_object"};
};

// DPT: a fixed property of an element (a DDI and its constant value).
class Device_property_obj : public TC_obj {
public:
    Device_property_obj(Object_pool* pool, object_id_t id, const char* name);

    ddi_t get_ddi() const { return ddi.get(); }
    int get_value() const { return value.get(); }
    void set_value(int v) { value = v; }
    object_id_t get_presentation() const { return value_presentation_object.get(); }
    std::string get_designator() const { return designator.get_text(); }
    // Takes DDI, designator and presentation of another property (a
    // template of the description), with a value of its own.
    void take_shape_of(const Device_property_obj& other);

protected:
    Attribute_uint16 ddi{"ddi"};
    Attribute_int32 value{"value"};
    Attribute_array<char> designator{"designator"};
    Attribute_list_len<unsigned char> length{"length", &designator};
    Attribute_object_id value_presentation_object{"value_presentation_object"};
};

// DVP: how a value is shown: (value + offset) * scale with a number of
// decimals and a unit.
class Device_value_presentation_obj : public TC_obj {
public:
    Device_value_presentation_obj(Object_pool* pool, object_id_t id, const char* name);

    int get_offset() const { return offset.get(); }
    float get_scale() const { return scale.get(); }
    int get_decimals() const { return number_of_decimals.get(); }
    std::string get_unit() const { return unit_designator.get_text(); }

protected:
    Attribute_int32 offset{"offset"};
    Attribute_float scale{"scale", 1.0f};
    Attribute_uint8 number_of_decimals{"number_of_decimals", 0, 0, 7};
    Attribute_array<char> unit_designator{"unit_designator"};
    Attribute_list_len<unsigned char> unit_designator_length{"unit_designator_length",
                                                              &unit_designator};
};

// Creates an empty object of a type entry for `pool`, null for no entry.
TC_obj* create_object(Object_pool* pool, int type, object_id_t id, const char* name);

// The classes the client creates: those of the description and the device
// elements the application builds at run time.
namespace Client {

class Device_obj : public TC::Device_obj {
public:
    using TC::Device_obj::Device_obj;
};

class Device_element_obj : public TC::Device_element_obj {
public:
    using TC::Device_element_obj::Device_element_obj;
    Device_element_obj(Object_pool* pool, object_id_t id, const char* name,
                       unsigned char element_type, unsigned char designator_length,
                       const char* designator, unsigned short element_number,
                       object_id_t parent_id, unsigned short num_children,
                       const Attribute_object_id* child_ids);
};

class Device_process_data_obj : public TC::Device_process_data_obj {
public:
    using TC::Device_process_data_obj::Device_process_data_obj;
};

class Device_property_obj : public TC::Device_property_obj {
public:
    using TC::Device_property_obj::Device_property_obj;
};

class Device_value_presentation_obj : public TC::Device_value_presentation_obj {
public:
    using TC::Device_value_presentation_obj::Device_value_presentation_obj;
};

} // namespace Client

} // namespace TC
