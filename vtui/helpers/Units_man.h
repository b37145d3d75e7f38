// Unit texts and factors for every units type in three units systems, and the
// system in force per type, chosen from the locale the VT reports. The unit
// texts go into the pool's string variables that the masks show as labels.
#pragma once

#include "platform/vt/Object_pool.h"
#include "platform/vt/Vt_language.h"

// One unit: its text (ISO 8859-1) and the factor from the type's base unit.
struct Units_string {
    const char* text;
    float factor;
};

// The unit in force for one type and the string variable that shows it.
struct Stat_units {
    const Units_string* units = nullptr;
    VT::String_variable_obj* obj = nullptr;
};

class Units_man {
public:
    enum units_systems { UNITS_METRIC = 0, UNITS_IMPERIAL = 1, UNITS_US = 2, NUM_UNITS_SYSTEMS = 3 };
    enum units_type {
        UNITS_NONE = 0,
        UNITS_FIXME,
        UNITS_DISTANCE,
        UNITS_DISTANCE_SM,
        UNITS_DISTANCE_LG,
        UNITS_SPEED,
        UNITS_ANGLE,
        UNITS_AREA,
        UNITS_AREA_LG,
        UNITS_AREA_LG2,
        UNITS_VOLUME,
        UNITS_VOLUME_DRY,
        UNITS_MASS,
        UNITS_MASS_KGN,
        UNITS_PRESSURE,
        UNITS_MASS_PER_AREA,
        UNITS_MASS_N_PER_AREA,
        UNITS_VOLUME_PER_AREA,
        UNITS_COUNT_PER_AREA,
        UNITS_AREA_PER_TIME,
        UNITS_MASS_PER_VOLUME,
        UNITS_MASS_PER_REV,
        UNITS_PULSE_PER_VOLUME,
        UNITS_PULSE_PER_KG_N,
        UNITS_MASS_PER_VOLUME_2,
        NUM_UNITS_TYPES = 25,
    };

    static Units_string units[NUM_UNITS_TYPES * NUM_UNITS_SYSTEMS];
    static Units_string null_ustring;
    static bool initialised;

    // Fills the shared table on first construction.
    Units_man();
    ~Units_man();
    Units_man(const Units_man&) = delete;
    Units_man& operator=(const Units_man&) = delete;

    // Binds the unit string variables and locale objects of the pool; the
    // texts start empty, each type metric.
    bool init(VT::Object_pool* pool);

    // The shared entry; null_ustring out of range.
    static Units_string& get(int system, int type);
    static bool set(int system, int type, const Units_string& entry);
    // This instance's record of the type; the spare record out of range.
    Stat_units& get(int type);
    bool set(int type, const Stat_units& record);
    units_systems get_system_type(int type) const;

    bool _configure(int type, units_systems system);
    bool _configure_all(units_systems system, const Iso::Language& language);
    // Applies a whole locale; returns the VT language index (-1 unknown).
    int configure(const VT::Locale_info& info);

    // The factor of the record's unit in force, 1.0 when it has none.
    static double factor_of(const Stat_units& record);

private:
    void bind(int type, const Units_string* u, VT::String_variable_obj* o);
    void write_text(VT::String_variable_obj* obj, const char* text);

    Stat_units records_[NUM_UNITS_TYPES + 1];
    units_systems systems_[NUM_UNITS_TYPES];
    Units_string speed_entry_ = {"", 0.0f};
    unsigned short metric_text_id_ = VT::Object_pool::NULL_ID;
    unsigned short imperial_text_id_ = VT::Object_pool::NULL_ID;
    VT::Object_pointer_obj* cur_units_ptr_ = nullptr;
    VT::Input_list_obj* units_list_ = nullptr;
    VT::Input_list_obj* language_list_ = nullptr;
    VT::Language* language_ = nullptr;
    VT::String_variable_obj* decimal_ = nullptr;
    VT::Object_pool* pool_ = nullptr;
};
