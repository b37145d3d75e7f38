// The attributes of each object type as the pool specification writes them:
// one row per field of the object's record, in the standard's order. The
// XML loader builds each object's record from these rows, and the DTD of the
// specification declares the same names.
#pragma once

namespace VT {

enum Spec_field_kind {
    F_END,
    F_U8,        // number, one byte
    F_U16,       // number, two bytes
    F_U32,       // number, four bytes
    F_I32,       // signed number, four bytes
    F_FLOAT,     // IEEE 754 single
    F_COLOUR,    // palette index, one byte
    F_ID,        // object id or object name; 65535 when absent
    F_TEXT8,     // text with a one-byte length ("length" pads or cuts it)
    F_TEXT16,    // text with a two-byte length ("length" pads or cuts it)
    F_N_CHILDREN,  // count of <child> elements, one byte
    F_N_ITEMS,     // count of <item> elements, one byte
    F_N_MACROS,    // count of <macro_ref> elements, one byte
    F_N_POINTS,    // count of <point> elements, one byte
    F_N_LANGUAGES, // count of <language> elements, one byte
    F_N_DATA16,    // bytes of the <data> element, two bytes
    F_N_DATA32,    // bytes of the <data> element, four bytes
    F_CHILDREN,    // id, x, y of each <child>
    F_ITEMS,       // id of each <item>
    F_MACROS,      // event and macro id of each <macro_ref>
    F_POINTS,      // x, y of each <point>
    F_LANGUAGES,   // two letters of each <language>
    F_DATA,        // the hex bytes of <data>
};

struct Spec_field {
    Spec_field_kind kind;
    const char* name;       // XML attribute (fields of kind F_U8 .. F_TEXT16)
    const char* fallback;   // value when the attribute is absent
};

// The rows of type `type` (0 .. 28), ending with F_END; null for others.
const Spec_field* spec_fields(int type);

} // namespace VT
