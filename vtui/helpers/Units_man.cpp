#include "vtui/helpers/Units_man.h"

#include "util/Debug_print.h"

namespace {

// One row per units type: the pool's string variable and the unit of each
// system. The count-per-area type has no units of its own.
struct Units_row {
    const char* variable;
    Units_string metric, imperial, us;
    bool filled;
};

const Units_row rows[Units_man::NUM_UNITS_TYPES] = {
    {"UNIT_NONE", {"", 1.0f}, {"", 1.0f}, {"", 1.0f}, true},
    {"UNIT_FIXME", {"a", 1.0f}, {"b", 1.0f}, {"c", 1.0f}, true},
    {"UNIT_DISTANCE", {"m", 1.0f}, {"ft", 3.2808399f}, {"ft", 3.2808399f}, true},
    {"UNIT_DISTANCE_SM", {"cm", 100.0f}, {"in", 39.370079f}, {"in", 39.370079f}, true},
    {"UNIT_DISTANCE_LG", {"km", 0.00100000005f}, {"mi", 0.000621371204f}, {"mi", 0.000621371204f}, true},
    {"UNIT_SPEED", {"km/h", 3.5999999f}, {"mph", 2.23693633f}, {"mph", 2.23693633f}, true},
    {"UNIT_ANGLE", {"\xBA", 1.0f}, {"\xBA", 1.0f}, {"\xBA", 1.0f}, true},
    {"UNIT_AREA", {"acre", 0.000247105374f}, {"acre", 0.000247105374f}, {"acre", 0.000247104384f}, true},
    {"UNIT_AREA_LG", {"ha", 9.99999975e-05f}, {"ac", 0.000247105374f}, {"ac", 0.000247105374f}, true},
    {"UNIT_AREA_LG2", {"ha", 1.0f}, {"ac", 2.47105384f}, {"ac", 2.47105384f}, true},
    {"UNIT_VOLUME", {"l", 1.0f}, {"gal", 0.219969153f}, {"gal", 0.264172047f}, true},
    {"UNIT_VOLUME_DRY", {"l", 1.0f}, {"US bu", 0.0283775926f}, {"gal", 0.264172047f}, true},
    {"UNIT_MASS", {"kg", 1.0f}, {"lb", 2.20462251f}, {"lb", 2.20462251f}, true},
    {"UNIT_MASS_KGN", {"kgN", 1.0f}, {"lbN", 2.20462251f}, {"lbN", 2.20462251f}, true},
    {"UNIT_PRESSURE", {"kpa", 1.0f}, {"psi", 0.14503774f}, {"psi", 0.14503774f}, true},
    {"UNIT_MASS_PER_AREA", {"kg/ha", 1.0f}, {"lb/ac", 0.892179132f}, {"lb/ac", 0.892179132f}, true},
    {"UNIT_MASS_N_PER_AREA", {"kgN/ha", 1.0f}, {"lbN/ac", 0.892179132f}, {"lbN/ac", 0.892179132f}, true},
    {"UNIT_VOLUME_PER_AREA", {"l/ha", 1.0f}, {"gal/ac", 0.0890183598f}, {"gal/ac", 0.106906638f}, true},
    {"UNIT_COUNT_PER_AREA", {"", 0.0f}, {"", 0.0f}, {"", 0.0f}, false},
    {"UNIT_AREA_PER_TIME", {"ha/hr", 1.0f}, {"ac/hr", 2.47105384f}, {"ac/hr", 2.47105384f}, true},
    {"UNIT_MASS_PER_VOLUME", {"kg/l", 1.0f}, {"lb/ft3", 62.4279594f}, {"lb/gal", 8.34540462f}, true},
    {"UNIT_MASS_PER_REV", {"kg/rev", 1.0f}, {"lb/rev", 2.20462251f}, {"lb/rev", 2.20462251f}, true},
    {"UNIT_PULSE_PER_VOLUME", {"pulses/l", 1.0f}, {"pulses/gal", 4.54609203f}, {"pulses/gal", 3.78541183f}, true},
    {"UNIT_PULSE_PER_KG_N", {"pulses/kgN", 1.0f}, {"pulses/lbN", 0.45359236f}, {"pulses/lbN", 0.45359236f}, true},
    {nullptr, {"kg/l", 1.0f}, {"lb/ft3", 62.4279594f}, {"lb/gal", 8.34540462f}, true},
};

bool in_range(int system, int type)
{
    return system >= 0 && system < Units_man::NUM_UNITS_SYSTEMS && type >= 0 && type < Units_man::NUM_UNITS_TYPES;
}

// A locale code that names a system directly (0 metric, 1 imperial, and for
// some categories 2 US), else the fallback.
Units_man::units_systems pick(uint8_t code, uint8_t highest, Units_man::units_systems fallback)
{
    return code <= highest ? Units_man::units_systems(code) : fallback;
}

} // namespace

Units_string Units_man::units[NUM_UNITS_TYPES * NUM_UNITS_SYSTEMS] = {};
Units_string Units_man::null_ustring = {"", 0.0f};
bool Units_man::initialised = false;

Units_man::Units_man()
{
    for (int t = 0; t < NUM_UNITS_TYPES; ++t)
        systems_[t] = UNITS_METRIC;
    for (auto& e : units)
        if (!e.text)
            e = {"", 0.0f};
    if (initialised)
        return;
    initialised = true;
    for (int t = 0; t < NUM_UNITS_TYPES; ++t) {
        if (!rows[t].filled)
            continue;
        units[t * 3 + UNITS_METRIC] = rows[t].metric;
        units[t * 3 + UNITS_IMPERIAL] = rows[t].imperial;
        units[t * 3 + UNITS_US] = rows[t].us;
    }
}

Units_man::~Units_man()
{
    delete language_;
}

void Units_man::write_text(VT::String_variable_obj* obj, const char* text)
{
    if (!obj)
        return;
    VT::Object_pool* pool = obj->get_pool() ? obj->get_pool() : pool_;
    if (pool)
        pool->set_string(obj, 0, text, true, 0);
    else
        obj->set_string(text);
}

void Units_man::bind(int type, const Units_string* u, VT::String_variable_obj* o)
{
    records_[type].units = u;
    records_[type].obj = o;
    if (o)
        write_text(o, "");
}

bool Units_man::init(VT::Object_pool* pool)
{
    pool_ = pool;
    delete language_;
    language_ = new VT::Language(pool);
    for (int t = 0; t < NUM_UNITS_TYPES - 1; ++t)
        bind(t, &get(UNITS_METRIC, t), pool ? pool->find<VT::String_variable_obj>(rows[t].variable) : nullptr);
    speed_entry_ = {"km/h", get(UNITS_METRIC, UNITS_SPEED).factor};
    if (!pool)
        return false;
    auto id_of = [pool](const char* name) {
        VT::VT_obj* o = pool->find<VT::VT_obj>(name);
        if (!o)
            Debug_print::dprint("Units_man: pool object %s missing, unit label left unset\n", name);
        return o ? o->get_id() : VT::Object_pool::NULL_ID;
    };
    metric_text_id_ = id_of("os_units_metric");
    imperial_text_id_ = id_of("os_units_imperial");
    cur_units_ptr_ = pool->find<VT::Object_pointer_obj>("string_locale_cur_units");
    units_list_ = pool->find<VT::Input_list_obj>("list_locale_units");
    language_list_ = pool->find<VT::Input_list_obj>("list_locale_language");
    decimal_ = pool->find<VT::String_variable_obj>("UNIT_DECIMAL");
    return true;
}

Units_string& Units_man::get(int system, int type)
{
    return in_range(system, type) ? units[type * 3 + system] : null_ustring;
}

bool Units_man::set(int system, int type, const Units_string& entry)
{
    if (!in_range(system, type))
        return false;
    units[type * 3 + system] = entry;
    return true;
}

Stat_units& Units_man::get(int type)
{
    return type >= 0 && type < NUM_UNITS_TYPES ? records_[type] : records_[NUM_UNITS_TYPES];
}

bool Units_man::set(int type, const Stat_units& record)
{
    if (type < 0 || type > NUM_UNITS_TYPES)
        return false;
    records_[type] = record;
    return true;
}

Units_man::units_systems Units_man::get_system_type(int type) const
{
    return type >= 0 && type < NUM_UNITS_TYPES ? systems_[type] : UNITS_METRIC;
}

double Units_man::factor_of(const Stat_units& record)
{
    return record.units ? double(record.units->factor) : 1.0;
}

bool Units_man::_configure(int type, units_systems system)
{
    if (!in_range(system, type))
        return false;
    Stat_units& r = records_[type];
    r.units = &get(system, type);
    if (r.obj)
        write_text(r.obj, r.units->text);
    systems_[type] = system;
    return true;
}

bool Units_man::_configure_all(units_systems system, const Iso::Language& language)
{
    for (int t : {UNITS_FIXME, UNITS_DISTANCE, UNITS_DISTANCE_SM, UNITS_DISTANCE_LG})
        _configure(t, system);
    if (system == UNITS_METRIC && language == VT::Language::get_lang_code(1)) {
        // This language writes metric speeds in its own way: the speed's
        // private entry stands in (the system recorded for speed stays).
        Stat_units& r = records_[UNITS_SPEED];
        r.units = &speed_entry_;
        if (r.obj)
            write_text(r.obj, speed_entry_.text);
    } else {
        _configure(UNITS_SPEED, system);
    }
    unsigned short text_id = system == UNITS_METRIC     ? metric_text_id_
                             : system == UNITS_IMPERIAL ? imperial_text_id_
                                                        : VT::Object_pool::NULL_ID;
    if (cur_units_ptr_)
        cur_units_ptr_->set_value(text_id);
    if (units_list_)
        units_list_->set_value(uint8_t(system));
    return true;
}

int Units_man::configure(const VT::Locale_info& info)
{
    int lang = VT::Language::get_lang_from_code(info.language.c_str());
    if (language_)
        language_->set(VT::Language::languages_t(lang < 0 ? 0 : lang));
    if (info.decimal_mark == 0)
        write_text(decimal_, ",");
    else if (info.decimal_mark == 1)
        write_text(decimal_, ".");

    bool generic_imperial = info.generic == 1 || info.generic == 2;
    units_systems two_way = generic_imperial ? UNITS_IMPERIAL : UNITS_METRIC;
    units_systems three_way = generic_imperial ? units_systems(info.generic) : UNITS_METRIC;

    _configure_all(pick(info.distance, 1, two_way), info.language);

    units_systems area = pick(info.area, 1, two_way);
    for (int t : {UNITS_AREA, UNITS_AREA_LG, UNITS_AREA_LG2, UNITS_AREA_PER_TIME, UNITS_COUNT_PER_AREA})
        _configure(t, area);

    units_systems volume = pick(info.volume, 2, three_way);
    for (int t : {UNITS_VOLUME, UNITS_VOLUME_DRY, UNITS_PULSE_PER_VOLUME})
        _configure(t, volume);

    units_systems mass = pick(info.mass, 2, three_way);
    for (int t : {UNITS_MASS, UNITS_MASS_KGN, UNITS_MASS_PER_REV, UNITS_PULSE_PER_KG_N})
        _configure(t, mass);

    _configure(UNITS_PRESSURE, pick(info.pressure, 1, two_way));

    _configure(UNITS_ANGLE, generic_imperial ? UNITS_IMPERIAL : UNITS_METRIC);
    for (int t : {UNITS_MASS_PER_AREA, UNITS_MASS_N_PER_AREA, UNITS_VOLUME_PER_AREA, UNITS_MASS_PER_VOLUME,
                  UNITS_MASS_PER_VOLUME_2})
        _configure(t, three_way);

    if ((lang == 0 || lang == 1) && language_list_)
        language_list_->set_value(uint8_t(lang));
    return lang;
}
