// Readable texts of NAME fields for diagnostic displays and logs: field
// names, the names of industry groups, device classes, functions and
// manufacturers, and plain numbers for the rest.
#pragma once

#include "can/JIN_name.h"

#include <QMap>
#include <QString>
#include <QStringList>

class JIN_rawname_friendly {
public:
    enum fields_t : int {
        ADDRESS = 0,
        SELF_CONFIGURABLE = 1,
        INDUSTRY_GROUP = 2,
        DEVICE_CLASS_INSTANCE = 3,
        DEVICE_CLASS = 4,
        FUNCTION = 5,
        FUNCTION_INSTANCE = 6,
        ECU_INSTANCE = 7,
        MANUFACTURER_CODE = 8,
        IDENTITY_NUMBER = 9,
        END = 10, // ends a field list
    };

    using Code_map = QMap<long long, QStringList>;

    static const char* const names[10];
    static Code_map industry_group_t_strings;
    static Code_map device_class_t_strings;
    static Code_map function_code_t_strings;
    static Code_map manufacturer_code_t_strings;
    static Code_map fmi_t_strings;
    static JIN_rawname_friendly instance;

    static long long get_field_value(const JIN_name::RAWNAME& name, fields_t field);
    static QString translate(fields_t field, long long value, bool numeric_fallback,
                             bool with_name);
    // The single ISO 11783-1 name that the NAME's industry group (and device
    // class) select for its device class or function.
    static QString translate_context(fields_t field, const JIN_name::RAWNAME& name,
                                     bool numeric_fallback = true, bool with_name = false);
    // The fields listed up to END, each with its name, joined with ",".
    static QString translate(const JIN_name::RAWNAME& name, ...);
    static QString get_field_name(fields_t field);

    // "DEV_CODE_PLANTER" -> "Planter": the first two parts dropped, each
    // further part capitalised, joined with blanks.
    static QString text_of(const char* enumerator);

private:
    JIN_rawname_friendly();
};
