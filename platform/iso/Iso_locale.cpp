#include "platform/iso/Iso_locale.h"

namespace Iso {

bool Language::set(const char* code)
{
    if (!code || !code[0] || !code[1])
        return false;
    code_[0] = code[0];
    code_[1] = code[1];
    code_[2] = 0;
    return true;
}

bool Language::operator==(const char* code) const
{
    if (!code)
        return empty();
    return code_[0] == code[0] && (code_[0] == 0 || code_[1] == code[1]);
}

bool Locale::decode(const uint8_t* d, int len)
{
    if (!d || len < 8)
        return false;
    char code[3] = {char(d[0]), char(d[1]), 0};
    language.set(code);
    decimal_mark = (d[2] >> 6) & 3;
    time_format = (d[2] >> 4) & 3;
    date_format = d[3];
    distance = (d[4] >> 6) & 3;
    area = (d[4] >> 4) & 3;
    volume = (d[4] >> 2) & 3;
    mass = d[4] & 3;
    temperature = (d[5] >> 6) & 3;
    pressure = (d[5] >> 4) & 3;
    force = (d[5] >> 2) & 3;
    generic = d[5] & 3;
    return true;
}

void Locale::encode(uint8_t d[8]) const
{
    const char* code = language.c_str();
    d[0] = uint8_t(code[0]);
    d[1] = uint8_t(code[1]);
    d[2] = uint8_t(((decimal_mark & 3) << 6) | ((time_format & 3) << 4) | 0x0F);
    d[3] = date_format;
    d[4] = uint8_t(((distance & 3) << 6) | ((area & 3) << 4) | ((volume & 3) << 2) | (mass & 3));
    d[5] = uint8_t(((temperature & 3) << 6) | ((pressure & 3) << 4) | ((force & 3) << 2) |
                   (generic & 3));
    d[6] = 0xFF;
    d[7] = 0xFF;
}

bool Locale::operator==(const Locale& o) const
{
    return language == o.language && decimal_mark == o.decimal_mark &&
           time_format == o.time_format && date_format == o.date_format &&
           distance == o.distance && area == o.area && volume == o.volume && mass == o.mass &&
           temperature == o.temperature && pressure == o.pressure && force == o.force &&
           generic == o.generic;
}

} // namespace Iso
