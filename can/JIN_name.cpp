#include "can/JIN_name.h"

#include "util/Debug_print.h"

#include <cstring>

namespace JIN_name {

namespace {
const unsigned char empty_name[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F};
} // namespace

const RAWNAME RAWNAME::GLOBAL_NAME;

RAWNAME::RAWNAME() : Binary_message(raw_, 8, 8)
{
    reset();
}

RAWNAME::RAWNAME(J1939::industry_group_t industry_group, unsigned char device_class_instance,
                 J1939::device_class_t device_class, J1939::function_code_t function,
                 unsigned char function_instance, unsigned char ECU_instance,
                 J1939::manufacturer_code_t manufacturer_code, unsigned identity_number,
                 bool self_configurable)
    : RAWNAME()
{
    set_field(0, 21, identity_number);
    set_field(21, 11, manufacturer_code);
    set_field(32, 3, ECU_instance);
    set_field(35, 5, function_instance);
    set_field(40, 8, function);
    set_field(49, 7, device_class);
    set_field(56, 4, device_class_instance);
    set_field(60, 3, industry_group);
    set_field(63, 1, self_configurable ? 1 : 0);
}

RAWNAME::RAWNAME(unsigned long long v) : Binary_message(raw_, 8, 8)
{
    for (int i = 0; i < 8; ++i)
        raw_[i] = static_cast<unsigned char>(v >> (56 - 8 * i));
}

RAWNAME::RAWNAME(const RAWNAME& other) : Binary_message(raw_, 8, 8)
{
    std::memcpy(raw_, other.raw_, sizeof raw_);
}

RAWNAME& RAWNAME::operator=(const RAWNAME& other)
{
    // Only the bytes: the view stays on this NAME's own buffer.
    if (this != &other)
        std::memcpy(raw_, other.raw_, sizeof raw_);
    return *this;
}

void RAWNAME::reset()
{
    std::memcpy(raw_, empty_name, sizeof raw_);
}

uint64_t RAWNAME::value_le() const
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | raw_[i];
    return v;
}

unsigned long long RAWNAME::to_u64() const
{
    unsigned long long v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | raw_[i];
    return v;
}

int RAWNAME::compare(const RAWNAME* a, const RAWNAME* b)
{
    uint64_t x = a->value_le();
    uint64_t y = b->value_le();
    return x > y ? 1 : (x < y ? -1 : 0);
}

bool RAWNAME::operator==(const RAWNAME& other) const
{
    return std::memcmp(raw_, other.raw_, sizeof raw_) == 0;
}

unsigned RAWNAME::field(unsigned bit, unsigned width) const
{
    return static_cast<unsigned>((value_le() >> bit) & ((uint64_t(1) << width) - 1));
}

void RAWNAME::set_field(unsigned bit, unsigned width, unsigned value)
{
    uint64_t mask = ((uint64_t(1) << width) - 1) << bit;
    uint64_t v = (value_le() & ~mask) | ((uint64_t(value) << bit) & mask);
    for (int i = 0; i < 8; ++i)
        raw_[i] = static_cast<unsigned char>(v >> (8 * i));
}

void RAWNAME::dump(bool verbose) const
{
    Debug_print::dprint("%.02x:%.02x:%.02x:%.02x:%.02x:%.02x:%.02x:%.02x\n", raw_[0], raw_[1],
                        raw_[2], raw_[3], raw_[4], raw_[5], raw_[6], raw_[7]);
    if (!verbose)
        return;
    Debug_print::dprint("Configurable: %i\n", get_is_self_configurable() ? 1 : 0);
    Debug_print::dprint("Industry group: 0x%x\n", get_industry_group());
    Debug_print::dprint("Device class instance: 0x%x\n", get_device_class_instance());
    Debug_print::dprint("Device class: 0x%x\n", get_device_class());
    Debug_print::dprint("Function: 0x%x\n", get_function());
    Debug_print::dprint("Function instance: 0x%x\n", get_function_instance());
    Debug_print::dprint("ECU instance: 0x%x\n", get_ECU_instance());
    Debug_print::dprint("Manufacturer code: 0x%x\n", get_manufacturer_code());
    Debug_print::dprint("Identity number: 0x%x\n", get_identity_number());
}

NAME::NAME() : RAWNAME()
{
    for (bool& c : care_)
        c = false;
}

NAME::NAME(const RAWNAME& raw) : RAWNAME(raw)
{
    init();
}

NAME::NAME(const unsigned char* bytes) : RAWNAME()
{
    set_bytes(0, bytes, 8);
    init();
}

NAME::NAME(J1939::industry_group_t industry_group, unsigned char device_class_instance,
           J1939::device_class_t device_class, J1939::function_code_t function,
           unsigned char function_instance, unsigned char ECU_instance,
           J1939::manufacturer_code_t manufacturer_code, unsigned identity_number,
           bool self_configurable)
    : RAWNAME(industry_group, device_class_instance, device_class, function, function_instance,
              ECU_instance, manufacturer_code, identity_number, self_configurable)
{
    init();
}

void NAME::init()
{
    for (bool& c : care_)
        c = true;
}

void NAME::set_is_self_configurable(bool v, bool dont_care)
{
    set_field(63, 1, v ? 1 : 0);
    care_[CARE_SELF_CONFIGURABLE] = !dont_care;
}

void NAME::set_industry_group(J1939::industry_group_t v, bool dont_care)
{
    set_field(60, 3, v);
    care_[CARE_INDUSTRY_GROUP] = !dont_care;
}

void NAME::set_device_class_instance(unsigned char v, bool dont_care)
{
    set_field(56, 4, v);
    care_[CARE_DEVICE_CLASS_INSTANCE] = !dont_care;
}

void NAME::set_device_class(J1939::device_class_t v, bool dont_care)
{
    set_field(49, 7, v);
    care_[CARE_DEVICE_CLASS] = !dont_care;
}

void NAME::set_function(J1939::function_code_t v, bool dont_care)
{
    set_field(40, 8, v);
    care_[CARE_FUNCTION] = !dont_care;
}

void NAME::set_function_instance(unsigned char v, bool dont_care)
{
    set_field(35, 5, v);
    care_[CARE_FUNCTION_INSTANCE] = !dont_care;
}

void NAME::set_ECU_instance(unsigned char v, bool dont_care)
{
    set_field(32, 3, v);
    care_[CARE_ECU_INSTANCE] = !dont_care;
}

void NAME::set_manufacturer_code(J1939::manufacturer_code_t v, bool dont_care)
{
    set_field(21, 11, v);
    care_[CARE_MANUFACTURER_CODE] = !dont_care;
}

void NAME::set_identity_number(unsigned v, bool dont_care)
{
    set_field(0, 21, v);
    care_[CARE_IDENTITY_NUMBER] = !dont_care;
}

bool NAME::match(const RAWNAME& n) const
{
    struct Field {
        care_t care;
        unsigned bit;
        unsigned width;
    };
    static const Field fields[] = {
        {CARE_SELF_CONFIGURABLE, 63, 1}, {CARE_INDUSTRY_GROUP, 60, 3},
        {CARE_DEVICE_CLASS_INSTANCE, 56, 4}, {CARE_DEVICE_CLASS, 49, 7},
        {CARE_FUNCTION, 40, 8}, {CARE_FUNCTION_INSTANCE, 35, 5},
        {CARE_ECU_INSTANCE, 32, 3}, {CARE_MANUFACTURER_CODE, 21, 11},
        {CARE_IDENTITY_NUMBER, 0, 21},
    };
    uint64_t mine = value_le();
    uint64_t theirs = n.value_le();
    for (const Field& f : fields) {
        if (!care_[f.care])
            continue;
        uint64_t mask = ((uint64_t(1) << f.width) - 1) << f.bit;
        if ((mine & mask) != (theirs & mask))
            return false;
    }
    return true;
}

} // namespace JIN_name
