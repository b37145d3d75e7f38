// A small state number (off, on, fault...) shown on the VT without input.
// Each client maps the state onto one VT object through a table of 16-bit
// values, one entry per state.
#pragma once

#include "vtui/stat/Stat.h"

class Stat_indicator_client_base : public sll_node {
public:
    virtual ~Stat_indicator_client_base() = default;
    virtual bool set_state(unsigned int state) = 0;
    // The object the client drives, null when it has none.
    virtual VT::VT_obj* get_object() const = 0;
};

// What one table entry sets on each kind of object.
template <class T>
struct Indicator_write;
template <>
struct Indicator_write<VT::Output_string_obj> {
    static void apply(VT::Output_string_obj& o, unsigned short v) { o.set_variable_reference(v); }
};
template <>
struct Indicator_write<VT::Fill_attributes_obj> {
    static void apply(VT::Fill_attributes_obj& o, unsigned short v) { o.set_fill_colour(uint8_t(v & 0xFF)); }
};
template <>
struct Indicator_write<VT::Object_pointer_obj> {
    static void apply(VT::Object_pointer_obj& o, unsigned short v) { o.set_value(v); }
};
template <>
struct Indicator_write<VT::Ellipse_obj> {
    static void apply(VT::Ellipse_obj& o, unsigned short v) { o.set_fill_attributes(v); }
};
template <>
struct Indicator_write<VT::Polygon_obj> {
    static void apply(VT::Polygon_obj& o, unsigned short v) { o.set_fill_attributes(v); }
};
template <>
struct Indicator_write<VT::Rectangle_obj> {
    static void apply(VT::Rectangle_obj& o, unsigned short v) { o.set_fill_attributes(v); }
};

// The table is the caller's, or the client's own small one filled by
// add_state.
template <class T>
class Stat_indicator_gen_client : public Stat_indicator_client_base {
public:
    static constexpr unsigned int MAX_OWN_STATES = 8;

    Stat_indicator_gen_client() = default;
    Stat_indicator_gen_client(T* object, const unsigned short* table, unsigned int num_states)
        : object(object), table(table), num_states(num_states)
    {
    }
    Stat_indicator_gen_client(const Stat_indicator_gen_client&) = delete;
    Stat_indicator_gen_client& operator=(const Stat_indicator_gen_client&) = delete;
    void init(T* o, const unsigned short* t, unsigned int n)
    {
        object = o;
        table = t;
        num_states = n;
    }
    void set_object(T* o) { object = o; }
    // One more state in the client's own table; false when the client uses
    // a caller's table or its own is full.
    bool add_state(unsigned short value)
    {
        if ((table && table != own) || num_states >= MAX_OWN_STATES)
            return false;
        own[num_states++] = value;
        table = own;
        return true;
    }
    bool set_state(unsigned int state) override
    {
        if (state >= num_states || !object || !table)
            return false;
        Indicator_write<T>::apply(*object, table[state]);
        return true;
    }
    VT::VT_obj* get_object() const override { return object; }

private:
    T* object = nullptr;
    const unsigned short* table = nullptr;
    unsigned int num_states = 0;
    unsigned short own[MAX_OWN_STATES] = {};
};

class Stat_indicator : public Stat {
public:
    bool init(Stat_collector* col);
    // A client belongs to one indicator only.
    void add_client(Stat_indicator_client_base* client) { clients.push(client); }
    // Every client is set; true only when every client took the state.
    bool set_state(unsigned int state);

    int get_type() const override { return TYPE_INDICATOR; }
    unsigned short get_object_id() const override;
    int get_width() const override { return 0; }
    int get_height() const override { return 0; }
    VT::VT_obj* get_input_obj() const override { return nullptr; }
    int update_val(update_modes) override { return 0; }
    bool update_scale() override { return true; }
    bool set_units(Units_man&) override { return true; }
    bool update_from_input(unsigned int, Stat_user*) override { return true; }

private:
    c_sl_list<Stat_indicator_client_base> clients;
};
