#include "vtui/screen/VT_information.h"

#include "can/J1939_codes.h"

VT_information::VT_information(const JIN_name::RAWNAME& name, const VT::vt_capabilities_t& c) : caps(c)
{
    switch (name.get_manufacturer_code()) {
    case 57:
    case 232:
        kind = 1;
        break;
    case 89:
        kind = 6;
        break;
    case 102: {
        // This maker's generations are told apart by their capabilities.
        kind_by_version = true;
        unsigned generation = cap_byte(1);
        unsigned at18 = cap_byte(18) | cap_byte(19) << 8;
        kind = generation == 6 ? (at18 == 240 ? 2 : 4) : generation == 8 ? 3 : 5;
        break;
    }
    case SOWVANE_MANUFACTURER_CODE:
        kind = name.get_identity_number() == 27 ? 8 : 7;
        break;
    default:
        kind = 0;
    }
}

unsigned VT_information::cap_byte(int i) const
{
    if (i < 0 || i >= 24)
        return 0;
    return (caps.word[i / 4] >> (8 * (i % 4))) & 0xFF;
}
