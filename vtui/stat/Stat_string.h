// A text of up to 255 characters bound to VT string objects: an output
// string, an input string, a string variable, and an object pointer that
// switches between the input (editable) and the output (read-only) look.
// The application writes the text; pushes to the VT are rate-limited; edited
// text comes back without its trailing blanks.
#pragma once

#include "platform/util/String_base.h"
#include "util/Atime.h"
#include "vtui/stat/Stat.h"

class Stat_string : public Stat {
public:
    static constexpr int MAX_CHARS = 255;
    enum shape_t { SHAPE_INPUT = 0, SHAPE_OUTPUT = 1, SHAPE_POINTER = 2 };

    Stat_string();
    Stat_string(const Stat_string&) = delete;
    Stat_string& operator=(const Stat_string&) = delete;

    bool init(Stat_collector* col, VT::Input_string_obj* in, VT::Output_string_obj* out,
              VT::String_variable_obj* var, VT::Object_pointer_obj* ptr, VT::Object_pool* pool, int interval);
    bool init(Stat_collector* col, VT::Output_string_obj* out, VT::Object_pool* pool, int interval);
    bool init(Stat_collector* col, VT::Input_string_obj* in, VT::Object_pool* pool, int interval);

    // Objects made at run time ("SsV", "SsI", "SsO", "SsP") over a blank
    // text of `length` characters (at most 255).
    bool dyn_create_objects(VT::Object_pool* pool, int length, bool input, bool output, bool variable,
                            bool pointer);
    bool dyn_init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font, int interval);

    // The text, cut to 255 characters; marks it for the next push.
    Stat_string& operator=(const char* s);
    Stat_string& operator=(const String_base& s);
    // One character; the text counts as changed.
    char& operator[](int i);
    const String_base& get_text() const { return text; }
    const char* c_str() const { return text.c_str(); }

    void force_send_update();
    void set_string_var();
    int get_len() const;
    int get_character_width() const;
    int get_character_height() const;
    void set_hidden(bool hidden);
    void refresh() {}

    int get_type() const override { return TYPE_STRING; }
    unsigned short get_object_id() const override { return id_of(out); }
    unsigned short get_in_object_id() const override { return id_of(in); }
    unsigned short get_var_id() const override { return id_of(var); }
    unsigned short get_ptr_id() const override { return id_of(ptr); }
    int get_width() const override;
    int get_height() const override;
    VT::VT_obj* get_input_obj() const override { return in; }
    int update_val(update_modes modes) override;
    bool val_up_to_date() const override { return !dirty; }
    bool update_scale() override { return true; }
    bool set_units(Units_man&) override { return true; }
    bool update_from_input(unsigned int length, Stat_user* user) override;
    // Keeps the VT's text in the pool's copy of the object it came from (cut
    // to the object's length), then takes it as update_from_input does.
    bool update_from_string(const char* text, unsigned int length, Stat_user* user) override;
    bool _set_editable(bool editable) override;

    int get_shape() const { return shape; }
    bool is_dirty() const { return dirty; }

protected:
    virtual Atime now() const { return Atime::now(); }

private:
    static unsigned short id_of(const VT::VT_obj* o) { return o ? o->get_id() : NULL_ID; }
    void decide_shape();

    char buffer[MAX_CHARS + 1];
    String_base text;
    VT::Output_string_obj* out = nullptr;
    VT::Input_string_obj* in = nullptr;
    VT::String_variable_obj* var = nullptr;
    VT::Object_pointer_obj* ptr = nullptr;
    VT::Font_attributes_obj* font = nullptr;
    int update_interval = 0;
    bool dirty = false;
    Atime next_update;
    int shape = SHAPE_INPUT;
};
