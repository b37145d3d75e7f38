#pragma once
// The value text of a console "set", checked against the type of the item it
// goes to before anything is stored: a number read whole (no text after it),
// finite, and inside the range of the item's type. Integers take a number's
// whole part; a bool takes true/false, yes/no (or their first letters) or a
// number, non-zero meaning true.

#include <string>

namespace console_value {

enum class Verdict {
    ok,
    not_a_number,  // no number, or text after it
    not_finite,    // NaN, an infinity, or beyond what a float holds
    out_of_range,  // beyond the range of the item's integer type, or of the setting
    too_long,      // a text longer than the setting holds
};

struct Checked {
    Verdict verdict = Verdict::not_a_number;
    // The value as the item's own text conversion reads it whole (an
    // integer in decimal, a bool as 0 or 1, a floating number as given).
    std::string text;
    // The value as a number (a bool 0 or 1, an integer its whole part).
    double number = 0;
};

// item_type: the Data_item type code (Data_item::ITEM_BOOL ...) of an item
// that holds one value; a type that holds no number (a record) is not
// checked: the verdict is ok and text the value as given.
Checked check(const std::string& value, int item_type);

// A text for a text setting of length characters, given as it is or in
// brackets ("Wheat" or "[Wheat]"): text is the bracketed form the setting
// reads; too_long when it has more characters than the setting holds.
Checked check_text(const std::string& value, int length);

// The console's answer to a refused value ("Not a number, not set:<value>"
// ...), without the newline; empty for ok.
std::string refusal(Verdict verdict, const std::string& value);

}  // namespace console_value
