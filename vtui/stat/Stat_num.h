// One number on the VT. The application works in base units (a double); the
// VT shows a raw value as (raw + offset) x scale with a number of decimals.
// Three display formats (metric, imperial, US) follow the units system in
// force; pushes to the VT are rate-limited.
//
// Each format puts the values the stat can hold (its range, or without one
// the counts its raw limits allow) on raw values from 0 up, with offset 0
// for values that are never negative and the lowest count as offset for the
// others. Raw values, limits and offsets stay below 2^24, where a VT that
// computes in 32-bit floats still resolves every count ((raw + offset) is
// exact there); a range of up to about a million counts (0 to 99,999.9 at
// 0.1) it shows and takes back from an entry exactly. A range wider than
// 2^24 counts is cut at its top.
#pragma once

#include "util/Atime.h"
#include "vtui/helpers/Units_man.h"
#include "vtui/stat/Stat.h"

struct Stat_num_format {
    int units;          // Units_man::units_type of the value
    double scale;       // one raw step in base units
    int decimals;       // decimals shown
    // Computed at set-up: raw = round(value / scale) - offset, within
    // raw_min..raw_max.
    int offset;
    unsigned raw_min, raw_max;
    double min, max;    // the range in display units, computed by set_range
    Stat_num_format(int units = Units_man::UNITS_NONE, double scale = 1.0, int decimals = 0)
        : units(units), scale(scale), decimals(decimals), offset(0), raw_min(0), raw_max(0), min(0), max(0)
    {
    }
};

class Stat_num : public Stat {
public:
    // The widest raw range (2^24 - 1): every raw value, limit and offset
    // stays below 2^24. A stat without a range holds the counts
    // -(raw_max - raw_min) / 2 .. (raw_max - raw_min) / 2 of its set-up.
    static constexpr unsigned RAW_MAX = 0xFFFFFFu;
    // A range too wide for RAW_MAX steps is shown in steps up to 10^this
    // times coarser; beyond that it is cut at its top.
    static constexpr int MAX_COARSER_STEPS = 6;

    Stat_num();

    // The set-up forms: variable only; input (variable optional); output
    // (variable optional); input and output shown in turn through an object
    // pointer (variable required). False, with a line and the stat left
    // inactive, when a required object is missing.
    bool init(Stat_collector* col, int interval, Stat_num_format metric, Stat_num_format imperial,
              VT::Number_variable_obj* var, unsigned raw_max, unsigned raw_min, VT::Object_pool* pool,
              VT::Output_string_obj* units_text);
    bool init(Stat_collector* col, VT::Input_number_obj* in, int interval, Stat_num_format metric,
              Stat_num_format imperial, VT::Number_variable_obj* var, unsigned raw_max, unsigned raw_min,
              VT::Object_pool* pool, VT::Output_string_obj* units_text);
    bool init(Stat_collector* col, VT::Output_number_obj* out, int interval, Stat_num_format metric,
              Stat_num_format imperial, VT::Number_variable_obj* var, unsigned raw_max, unsigned raw_min,
              VT::Object_pool* pool, VT::Output_string_obj* units_text);
    bool init(Stat_collector* col, VT::Input_number_obj* in, VT::Output_number_obj* out,
              VT::Object_pointer_obj* ptr, VT::Number_variable_obj* var, int interval, Stat_num_format metric,
              Stat_num_format imperial, unsigned raw_max, unsigned raw_min, VT::Object_pool* pool,
              VT::Output_string_obj* units_text);

    // Objects made at run time, taken into the pool by dyn_init.
    bool dyn_create_objects(VT::Object_pool* pool, bool input, bool output, bool pointer, bool variable);
    bool dyn_init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font,
                  VT::Output_string_obj* units_text);
    bool dyn_set_format(Stat_num_format metric, Stat_num_format imperial, VT::Font_attributes_obj* font,
                        int interval, unsigned raw_max, unsigned raw_min);

    // Values in base units. set_val is true when the raw value now differs
    // from the VT's; a value that is not finite is refused (false).
    bool set_val(double v);
    double get_val() const;
    double get_stat_val() const;
    int get_val_int() const { return int(get_val()); }
    int get_stat_val_int() const { return int(get_stat_val()); }
    bool set_val_int(int i);
    bool increment(double steps);
    bool decrement(double steps);
    Stat_num operator++(int);
    Stat_num operator--(int);

    void set_range(double min, double max);
    double rangify(double v) const;
    static double round_to_decimals(double x, int decimals);

    bool set_units(Units_man& units) override;
    bool set_units(Units_man& units, bool set_text);
    void set_hidden(bool hidden);
    void set_live_edit(bool on) override;
    bool _set_editable(bool editable) override;
    void force_send_update();
    // Sends at the next update_val even when unchanged.
    void mark_force() { force_ = true; }
    void setup_string(unsigned short text_id);

    // Writes one value into an output number once.
    static void set_output_number(VT::Output_number_obj* out, Stat_num_format& metric, Stat_num_format& imperial,
                                  double v);
    static void set_output_number(VT::Output_number_obj* out, Stat_num_format& metric, Stat_num_format& imperial,
                                  Units_man& units, double v);

    int get_type() const override { return TYPE_NUM; }
    unsigned short get_object_id() const override;
    unsigned short get_in_object_id() const override;
    unsigned short get_var_id() const override;
    unsigned short get_ptr_id() const override;
    int get_width() const override;
    int get_height() const override;
    VT::VT_obj* get_input_obj() const override { return in_; }
    int update_val(update_modes modes) override;
    bool val_up_to_date() const override { return !dirty_; }
    bool update_scale() override;
    void setup_objs() override;
    bool update_from_input(unsigned int value, Stat_user* user) override;

    unsigned get_raw() const { return raw_; }
    int get_system() const { return system_; }
    double get_units_factor() const { return units_factor_; }
    const Stat_num_format& get_format(int system) const { return formats_[system]; }
    VT::Font_attributes_obj* get_font() const { return font_; }
    bool is_dirty() const { return dirty_; }
    // Set up and bound to at least one object.
    bool is_active() const { return in_ || out_ || var_; }

protected:
    // The common set-up of every form.
    void _init(Stat_collector* col, int interval, Stat_num_format metric, Stat_num_format imperial,
               unsigned raw_max, unsigned raw_min, VT::Object_pool* pool, update_modes modes,
               VT::Output_string_obj* units_text);
    // A required object is missing: the stat stays inactive.
    bool refuse(const char* what);
    virtual Atime now() const { return Atime::now(); }

private:
    const Stat_num_format& format() const { return formats_[system_]; }
    // The units factor as the VT objects use it: a type without a factor
    // shows the value in base units.
    double display_factor() const { return units_factor_ != 0.0 ? units_factor_ : 1.0; }
    unsigned vt_raw() const;
    double raw_to_val(unsigned raw) const;
    // The encoding of every format for the values the stat holds.
    void encode_formats();
    // Offset, scale, decimals and input limits of the format in force into
    // the objects.
    void write_encoding();
    void write_input_limits(double scale);
    // The raw value into the variable, else the objects, now.
    void write_value();

    bool dirty_ = false;
    bool scale_dirty_ = false;
    unsigned char update_mode_mask_ = UPDATE_NORMAL;
    unsigned raw_ = 0;
    // The counts a stat without a range holds: -half_counts_..half_counts_.
    unsigned half_counts_ = 0;
    double units_factor_ = 1.0;
    double range_min_ = 0, range_max_ = 0;
    bool has_range_ = false;
    bool force_ = false;
    VT::Output_number_obj* out_ = nullptr;
    VT::Input_number_obj* in_ = nullptr;
    VT::Output_string_obj* units_text_ = nullptr;
    VT::Number_variable_obj* var_ = nullptr;
    VT::Object_pointer_obj* ptr_ = nullptr;
    int update_interval_ = 0;
    Atime next_update_;
    VT::Object_pool* pool_ = nullptr;
    VT::Font_attributes_obj* font_ = nullptr;
    Stat_num_format formats_[Units_man::NUM_UNITS_SYSTEMS];
    // The scale and decimals each system was set up with; a range too wide
    // for them is shown with fewer decimals.
    Stat_num_format asked_[Units_man::NUM_UNITS_SYSTEMS];
    int system_ = 0;
};
