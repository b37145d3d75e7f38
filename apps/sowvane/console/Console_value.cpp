#include "apps/sowvane/console/Console_value.h"

#include "glue/cds/Data_item.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <strings.h>

namespace console_value {

namespace {

// An integer type: signed or not, and its width in bits.
struct Integer_range {
    bool is_signed;
    int bits;
    unsigned long long max() const
    {
        const int value_bits = is_signed ? bits - 1 : bits;
        return value_bits >= 64 ? std::numeric_limits<unsigned long long>::max() : (1ull << value_bits) - 1;
    }
    long long min() const
    {
        return !is_signed ? 0 : bits >= 64 ? std::numeric_limits<long long>::min() : -(1ll << (bits - 1));
    }
};

bool integer_range(int type, Integer_range& range)
{
    switch (type) {
    case Data_item::ITEM_CHAR: // written and read as 0 to 255
    case Data_item::ITEM_UCHAR: range = {false, 8}; return true;
    case Data_item::ITEM_USHORT: range = {false, 16}; return true;
    case Data_item::ITEM_UINT: range = {false, 32}; return true;
    case Data_item::ITEM_ULONGLONG: range = {false, 64}; return true;
    case Data_item::ITEM_SCHAR: range = {true, 8}; return true;
    case Data_item::ITEM_SHORT: range = {true, 16}; return true;
    case Data_item::ITEM_INT: range = {true, 32}; return true;
    case Data_item::ITEM_LONGLONG: range = {true, 64}; return true;
    default: return false;
    }
}

// The text without the blanks after it (a line may end in them).
std::string trimmed(const std::string& text)
{
    const size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// A floating number read whole from text.
bool read_double(const std::string& text, double& v)
{
    const char* start = text.c_str();
    char* end = nullptr;
    v = std::strtod(start, &end);
    return end != start && *end == '\0';
}

Checked refused(Verdict v)
{
    Checked c;
    c.verdict = v;
    return c;
}

Checked accepted(std::string text, double number)
{
    Checked c;
    c.verdict = Verdict::ok;
    c.text = std::move(text);
    c.number = number;
    return c;
}

// An integer literal (decimal, 0x hex or 0 octal, as the items read it) read
// whole and exactly; otherwise any floating number read whole, by its whole
// part.
Checked check_integer(const std::string& text, const Integer_range& range)
{
    const char* start = text.c_str();
    const char* first = start + std::strspn(start, " \t");
    char* end = nullptr;
    errno = 0;
    if (*first == '-') {
        const long long v = std::strtoll(start, &end, 0);
        if (end != start && *end == '\0')
            return errno == ERANGE || v < range.min() ? refused(Verdict::out_of_range)
                                                      : accepted(std::to_string(v), double(v));
    } else {
        const unsigned long long v = std::strtoull(start, &end, 0);
        if (end != start && *end == '\0')
            return errno == ERANGE || v > range.max() ? refused(Verdict::out_of_range)
                                                      : accepted(std::to_string(v), double(v));
    }
    double d = 0;
    if (!read_double(text, d))
        return refused(Verdict::not_a_number);
    if (!std::isfinite(d))
        return refused(Verdict::not_finite);
    // The range's ends as doubles: 2^n exactly beyond the largest value.
    d = std::trunc(d);
    if (d < double(range.min()) || d >= std::ldexp(1.0, range.is_signed ? range.bits - 1 : range.bits))
        return refused(Verdict::out_of_range);
    return d < 0 ? accepted(std::to_string((long long)d), d) : accepted(std::to_string((unsigned long long)d), d);
}

Checked check_floating(const std::string& text, bool is_float)
{
    double d = 0;
    if (!read_double(text, d))
        return refused(Verdict::not_a_number);
    if (!std::isfinite(d) || (is_float && std::fabs(d) > double(std::numeric_limits<float>::max())))
        return refused(Verdict::not_finite);
    return accepted(text, d);
}

Checked check_bool(const std::string& text)
{
    static const char* const words[][2] = {{"true", "1"}, {"false", "0"}, {"yes", "1"}, {"no", "0"},
                                           {"t", "1"},    {"f", "0"},     {"y", "1"},   {"n", "0"}};
    for (const auto& word : words)
        if (strcasecmp(text.c_str(), word[0]) == 0)
            return accepted(word[1], word[1][0] == '1' ? 1.0 : 0.0);
    const Checked c = check_floating(text, false);
    if (c.verdict != Verdict::ok)
        return c;
    return c.number != 0.0 ? accepted("1", 1.0) : accepted("0", 0.0);
}

} // namespace

Checked check(const std::string& value, int item_type)
{
    const std::string text = trimmed(value);
    Integer_range range{};
    if (integer_range(item_type, range))
        return check_integer(text, range);
    switch (item_type) {
    case Data_item::ITEM_BOOL: return check_bool(text);
    case Data_item::ITEM_FLOAT: return check_floating(text, true);
    case Data_item::ITEM_DOUBLE: return check_floating(text, false);
    default: return accepted(value, 0.0);
    }
}

Checked check_text(const std::string& value, int length)
{
    std::string text = value;
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    if (int(text.size()) > length)
        return refused(Verdict::too_long);
    return accepted("[" + text + "]", double(text.size()));
}

std::string refusal(Verdict verdict, const std::string& value)
{
    switch (verdict) {
    case Verdict::too_long: return "Text too long, not set:" + value;
    case Verdict::not_a_number: return "Not a number, not set:" + value;
    case Verdict::not_finite: return "Not a finite number, not set:" + value;
    case Verdict::out_of_range: return "Out of range, not set:" + value;
    case Verdict::ok: break;
    }
    return std::string();
}

} // namespace console_value
