#include "can/JIN_rawname_friendly.h"

#include <cstdarg>
#include <cstdio>

using JIN_name::RAWNAME;

const char* const JIN_rawname_friendly::names[10] = {
    "Address",      "Self Configurable", "Industry Group",    "Device Class Instance",
    "Device Class", "Function",          "Function Instance", "ECU Instance",
    "Manufacturer Code", "Identity Number",
};

JIN_rawname_friendly::Code_map JIN_rawname_friendly::industry_group_t_strings;
JIN_rawname_friendly::Code_map JIN_rawname_friendly::device_class_t_strings;
JIN_rawname_friendly::Code_map JIN_rawname_friendly::function_code_t_strings;
JIN_rawname_friendly::Code_map JIN_rawname_friendly::manufacturer_code_t_strings;
JIN_rawname_friendly::Code_map JIN_rawname_friendly::fmi_t_strings;
// Defined after the maps so that they exist when it fills them.
JIN_rawname_friendly JIN_rawname_friendly::instance;

QString JIN_rawname_friendly::text_of(const char* enumerator)
{
    const QStringList parts = QString::fromLatin1(enumerator).split('_', Qt::SkipEmptyParts);
    QStringList words;
    for (int i = 2; i < parts.size(); ++i) {
        QString w = parts[i].toLower();
        w[0] = w[0].toUpper();
        words << w;
    }
    return words.join(' ');
}

JIN_rawname_friendly::JIN_rawname_friendly()
{
#define JIN_FRIENDLY_ADD(map, name, value) map[(long long)(value)].append(text_of(#name));
#define ADD_INDUSTRY(name, value) JIN_FRIENDLY_ADD(industry_group_t_strings, name, value)
#define ADD_DEVICE(name, value) JIN_FRIENDLY_ADD(device_class_t_strings, name, value)
#define ADD_FUNCTION(name, value) JIN_FRIENDLY_ADD(function_code_t_strings, name, value)
#define ADD_MAKER(name, value) JIN_FRIENDLY_ADD(manufacturer_code_t_strings, name, value)
#define ADD_FMI(name, value) JIN_FRIENDLY_ADD(fmi_t_strings, name, value)
    J1939_INDUSTRY_GROUPS(ADD_INDUSTRY)
    J1939_DEVICE_CLASSES(ADD_DEVICE)
    J1939_FUNCTION_CODES(ADD_FUNCTION)
    J1939_MANUFACTURER_CODES(ADD_MAKER)
    J1939_FMI_CODES(ADD_FMI)
#undef ADD_FMI
#undef ADD_MAKER
#undef ADD_FUNCTION
#undef ADD_DEVICE
#undef ADD_INDUSTRY
#undef JIN_FRIENDLY_ADD
}

long long JIN_rawname_friendly::get_field_value(const RAWNAME& name, fields_t field)
{
    switch (field) {
    case ADDRESS:
        std::puts("WARNING: JIN_rawname_friendly does not translate addresses");
        return 0;
    case SELF_CONFIGURABLE: return name.get_is_self_configurable() ? 1 : 0;
    case INDUSTRY_GROUP: return name.get_industry_group();
    case DEVICE_CLASS_INSTANCE: return name.get_device_class_instance();
    case DEVICE_CLASS: return name.get_device_class();
    case FUNCTION: return name.get_function();
    case FUNCTION_INSTANCE: return name.get_function_instance();
    case ECU_INSTANCE: return name.get_ECU_instance();
    case MANUFACTURER_CODE: return name.get_manufacturer_code();
    case IDENTITY_NUMBER: return name.get_identity_number();
    default: return 0;
    }
}

namespace {

QString numeric(JIN_rawname_friendly::fields_t field, long long value, bool with_name)
{
    QString number = QString("%1").arg(value, 2, 10, QChar('0'));
    if (with_name)
        return QString("%1(%2)").arg(JIN_rawname_friendly::get_field_name(field), number);
    return number;
}

} // namespace

QString JIN_rawname_friendly::translate(fields_t field, long long value, bool numeric_fallback,
                                        bool with_name)
{
    if (field < 0 || field >= END)
        return QString();
    const Code_map* map = nullptr;
    switch (field) {
    case SELF_CONFIGURABLE: return value ? QString("True") : QString("False");
    case INDUSTRY_GROUP: map = &industry_group_t_strings; break;
    case DEVICE_CLASS: map = &device_class_t_strings; break;
    case FUNCTION: map = &function_code_t_strings; break;
    case MANUFACTURER_CODE: map = &manufacturer_code_t_strings; break;
    default: return numeric(field, value, with_name);
    }
    auto it = map->constFind(value);
    if (it != map->constEnd())
        return it->join('/');
    return numeric_fallback ? numeric(field, value, with_name) : QString();
}

namespace {

struct Context_name {
    int industry_group; // -1: any other combination
    int device_class;
    unsigned value;
    const char* text;
};

// Device classes by industry group, and the functions from 128 up by
// industry group and device class (ISO 11783-1).
const Context_name device_classes[] = {
    {0, -1, 0, "Non Specific"},
    {0, -1, 127, "Not Available"},
    {1, -1, 1, "Highway Tractor"},
    {2, -1, 1, "Ag Tractor"},
    {2, -1, 2, "Tillage"},
    {2, -1, 3, "Secondary Tillage"},
    {2, -1, 4, "Planter"},
    {2, -1, 5, "Fertilizer"},
    {2, -1, 6, "Sprayer"},
    {2, -1, 7, "Harvester"},
    {2, -1, 8, "Root Harvester"},
    {2, -1, 9, "Forage"},
    {2, -1, 10, "Irrigation"},
    {2, -1, 11, "Transport Trailer"},
    {2, -1, 12, "Farmyard Operations"},
    {2, -1, 13, "Powered Auxiliary Devices"},
    {2, -1, 14, "Special Crops"},
    {2, -1, 15, "Earth Work"},
    {2, -1, 16, "Skidder"},
    {2, -1, 17, "Sensor Systems"},
    {3, -1, 1, "Skid Steer Loader"},
    {3, -1, 2, "Articulated Dump Truck"},
    {3, -1, 3, "Backhoe"},
    {3, -1, 4, "Crawler"},
    {3, -1, 5, "Excavator"},
    {3, -1, 6, "Forklift"},
    {3, -1, 7, "Four Wheel Drive Loader"},
    {3, -1, 8, "Grader"},
};

const Context_name functions[] = {
    {0, 0, 0, "Engine"},
    {0, 0, 3, "Power Transmission"},
    {0, 0, 6, "Power Takeoff Main Or Rear"},
    {0, 0, 16, "Steering Controller"},
    {0, 0, 19, "Instrument Cluster"},
    {0, 0, 23, "Navigation"},
    {0, 0, 29, "Virtual Terminal"},
    {0, 0, 57, "Aux Controls"},
    {0, 0, 61, "File Server Or Printer"},
    {0, 0, 67, "Electrical System Controller"},
    {0, 0, 129, "Off Board Diag Tool"},
    {0, 0, 255, "Not Available"},
    {2, 0, 130, "Task Controller"},
    {2, 0, 131, "Position Control"},
    {2, 0, 132, "Machine Control"},
    {2, 0, 134, "Tractor ECU"},
    {2, 0, 135, "Weighing System"},
    {2, 1, 130, "Rear Hitch Control"},
    {2, 1, 131, "Front Hitch Control"},
    {2, 1, 132, "Tractor Machine Control"},
    {2, 4, 128, "Planter Seed Rate Control"},
    {2, 4, 129, "Planter Section On Off Control"},
    {2, 4, 132, "Planter Machine Control"},
    {2, 4, 133, "Planter Product Flow"},
    {2, 4, 134, "Planter Product Level"},
    {2, 6, 128, "Sprayer Rate Control"},
    {2, 6, 129, "Sprayer Section On Off Control"},
    {2, 6, 130, "Sprayer Boom Control"},
    {2, 6, 132, "Sprayer Machine Control"},
    {2, 6, 133, "Sprayer Product Flow"},
    {2, 6, 134, "Sprayer Product Level"},
    {3, 0, 136, "Slope Sensor"},
    {3, 0, 137, "Liftarm Control"},
    {3, 0, 141, "Joystick Control"},
    {3, 0, 142, "Rotation Sensor"},
    {3, 0, 143, "Sonic Sensor"},
};

const Context_name other_functions[] = {
    {-1, -1, 128, "Non Virtual Terminal"},
    {-1, -1, 129, "Operator Controls"},
    {-1, -1, 133, "Foreign Object Detection"},
};

bool combination_listed(int group, int device_class)
{
    for (const Context_name& f : functions)
        if (f.industry_group == group && f.device_class == device_class)
            return true;
    return false;
}

} // namespace

QString JIN_rawname_friendly::translate_context(fields_t field, const RAWNAME& name,
                                                bool numeric_fallback, bool with_name)
{
    const int group = static_cast<int>(name.get_industry_group());
    const int device_class = static_cast<int>(name.get_device_class());
    const unsigned value = static_cast<unsigned>(get_field_value(name, field));
    if (field == DEVICE_CLASS) {
        for (const Context_name& d : device_classes)
            if (d.industry_group == group && d.value == value)
                return d.text;
    } else if (field == FUNCTION) {
        if (combination_listed(group, device_class)) {
            for (const Context_name& f : functions)
                if (f.industry_group == group && f.device_class == device_class &&
                    f.value == value)
                    return f.text;
        } else {
            for (const Context_name& f : other_functions)
                if (f.value == value)
                    return f.text;
        }
    }
    return translate(field, value, numeric_fallback, with_name);
}

QString JIN_rawname_friendly::translate(const RAWNAME& name, ...)
{
    QStringList parts;
    va_list ap;
    va_start(ap, name);
    for (;;) {
        int field = va_arg(ap, int);
        if (field < 0 || field >= END)
            break;
        auto f = static_cast<fields_t>(field);
        QString text = translate(f, get_field_value(name, f), true, true);
        if (!text.isEmpty())
            parts << text;
    }
    va_end(ap);
    return parts.join(',');
}

QString JIN_rawname_friendly::get_field_name(fields_t field)
{
    if (field < 0 || field > IDENTITY_NUMBER)
        return QString("NONAME");
    return QString(names[field]);
}
