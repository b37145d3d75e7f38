// Language and units of an ISO 11783 network, as the Language command
// (PGN 0xFE0F, ISO 11783-7) carries them.
#pragma once

#include <cstdint>

namespace Iso {

// A two-letter ISO 639 language code.
class Language {
public:
    Language() { code_[0] = code_[1] = code_[2] = 0; }
    explicit Language(const char* code) : Language() { set(code); }

    // Copies the first two characters of `code`; false when it has fewer.
    bool set(const char* code);
    const char* c_str() const { return code_; }
    bool empty() const { return code_[0] == 0; }

    bool operator==(const char* code) const;
    bool operator==(const Language& other) const { return *this == other.code_; }
    bool operator!=(const Language& other) const { return !(*this == other); }

private:
    char code_[3];
};

// Units systems of the Language command: 0 metric, 1 imperial, 2 US, 3 no
// action. Decimal mark: 0 comma, 1 point.
struct Locale {
    Language language;
    uint8_t decimal_mark = 1;
    uint8_t time_format = 0;
    uint8_t date_format = 0;
    uint8_t distance = 0;
    uint8_t area = 0;
    uint8_t volume = 0;
    uint8_t mass = 0;
    uint8_t temperature = 0;
    uint8_t pressure = 0;
    uint8_t force = 0;
    uint8_t generic = 0;

    // Reads the eight data bytes of a Language command; false when shorter.
    bool decode(const uint8_t* data, int len);
    // Writes the eight data bytes of a Language command.
    void encode(uint8_t data[8]) const;

    bool operator==(const Locale& o) const;
    bool operator!=(const Locale& o) const { return !(*this == o); }
};

} // namespace Iso
