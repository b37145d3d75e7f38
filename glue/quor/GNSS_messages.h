// Typed views of the binary GNSS receiver messages. Each view shares the
// buffer of the Quor_message it is built from; fields beyond the view read
// as 0. Offsets count from the first identifier character (the body starts
// at offset 5).
#pragma once

#include "glue/quor/Quor_message.h"

namespace GNSS_messages {

// Messages whose body is a list of values followed by the checksum byte.
// The number of values is the body length less trailer_len (the checksum,
// and for "SS" one byte more), divided by the size of one value.
#define GNSS_VALUE_LIST(NAME, VALUE_SIZE, TRAILER_LEN, GETTER)                            \
    class NAME : public Quor_message {                                                   \
    public:                                                                              \
        explicit NAME(const Quor_message& message);                                      \
        int get_count() const                                                            \
        {                                                                                \
            return (static_cast<int>(get_msg_len()) - (TRAILER_LEN)) / (VALUE_SIZE);     \
        }                                                                                \
        int get_value(int i) const { return GETTER(5 + (VALUE_SIZE) * i); }              \
    };

GNSS_VALUE_LIST(Msg_E1, 1, 1, get_uint8)
GNSS_VALUE_LIST(Msg_E2, 1, 1, get_uint8)
GNSS_VALUE_LIST(Msg_EC, 1, 1, get_uint8)
GNSS_VALUE_LIST(Msg_AZ, 1, 1, get_uint8)
GNSS_VALUE_LIST(Msg_SS, 1, 2, get_uint8)
GNSS_VALUE_LIST(Msg_NN, 1, 1, get_uint8)
GNSS_VALUE_LIST(Msg_SI, 1, 1, get_uint8)
GNSS_VALUE_LIST(Msg_EL, 1, 1, get_int8)
GNSS_VALUE_LIST(Msg_TC, 2, 1, get_uint16_le)

#undef GNSS_VALUE_LIST

// Position status.
class Msg_PS : public Quor_message {
public:
    explicit Msg_PS(const Quor_message& message);
    int get_type() const { return get_uint8(5); }
    int get_locked(int i) const { return get_uint8(6 + i); }
    int get_avail(int i) const { return get_uint8(8 + i); }
    int get_used(int i) const { return get_uint8(10 + i); }
    int get_fix() const { return get_uint8(12); }
};

// Position and velocity errors.
class Msg_SG : public Quor_message {
public:
    explicit Msg_SG(const Quor_message& message);
    float get_hpos() const { return get_float(5); }
    float get_vpos() const { return get_float(9); }
    float get_hvel() const { return get_float(13); }
    float get_vvel() const { return get_float(17); }
    int get_type() const { return get_uint8(21); }
};

// Almanac of a GLONASS satellite.
class Msg_NA : public Quor_message {
public:
    explicit Msg_NA(const Quor_message& message);
    int get_sv() const { return get_uint8(5); }
    int get_freq() const { return get_int8(6); }
    int get_day() const { return get_int16_le(7); }
    float get_time() const { return get_float(9); }
    int get_health() const { return get_uint8(13); }
    float get_tauN() const { return get_float(14); }
    double get_tauSys() const { return get_double(18); }
    float get_ecc() const { return get_float(26); }
    float get_lambda() const { return get_float(30); }
    float get_argPer() const { return get_float(34); }
    float get_delT() const { return get_float(38); }
    float get_delTdt() const { return get_float(42); }
    float get_deli() const { return get_float(46); }
};

// Cartesian position and velocity.
class Msg_PV : public Quor_message {
public:
    explicit Msg_PV(const Quor_message& message);
    double get_pos(int axis) const { return get_double(5 + 8 * axis); }
    float get_psigma() const { return get_float(29); }
    float get_vel(int axis) const { return get_float(33 + 4 * axis); }
    float get_vsigma() const { return get_float(45); }
    int get_type() const { return get_uint8(49); }
};

// Geodetic position; latitude and longitude in radians.
class Msg_PG : public Quor_message {
public:
    explicit Msg_PG(const Quor_message& message);
    double get_lat() const { return get_double(5); }
    double get_lon() const { return get_double(13); }
    double get_hgt() const { return get_double(21); }
    float get_sigma() const { return get_float(29); }
    int get_type() const { return get_uint8(33); }
};

// Almanac of a GPS satellite.
class Msg_GA : public Quor_message {
public:
    explicit Msg_GA(const Quor_message& message);
    int get_sv() const { return get_uint8(5); }
    int get_week() const { return get_int16_le(6); }
    int get_ms() const { return get_int32_le(8); }
    int get_healthA() const { return get_uint8(12); }
    int get_healthS() const { return get_uint8(13); }
    int get_config() const { return get_uint8(14); }
    float get_af1() const { return get_float(15); }
    float get_af0() const { return get_float(19); }
    float get_rootA() const { return get_float(23); }
    float get_ecc() const { return get_float(27); }
    float get_m0() const { return get_float(31); }
    float get_omega0() const { return get_float(35); }
    float get_argPer() const { return get_float(39); }
    float get_deli() const { return get_float(43); }
    float get_omegaDot() const { return get_float(47); }
};

// Receiver date: year, month and day, and the time base.
class Msg_RD : public Quor_message {
public:
    explicit Msg_RD(const Quor_message& message);
    int get_year() const { return get_uint16_le(5); }
    int get_month() const { return get_uint8(7); }
    int get_day() const { return get_uint8(8); }
    int get_base() const { return get_uint8(9); }
};

// Solution time tag.
class Msg_ST : public Quor_message {
public:
    explicit Msg_ST(const Quor_message& message);
    unsigned get_ms() const { return get_uint32_le(5); }
    int get_type() const { return get_uint8(9); }
};

// GLONASS time.
class Msg_NT : public Quor_message {
public:
    explicit Msg_NT(const Quor_message& message);
    unsigned get_ms() const { return get_uint32_le(5); }
    int get_day() const { return get_uint16_le(9); }
};

// GPS time.
class Msg_GT : public Quor_message {
public:
    explicit Msg_GT(const Quor_message& message);
    unsigned get_ms() const { return get_uint32_le(5); }
    int get_week() const { return get_uint16_le(9); }
};

// Receiver time, identifier "~~".
class Msg_RT : public Quor_message {
public:
    explicit Msg_RT(const Quor_message& message);
    unsigned get_ms() const { return get_uint32_le(5); }
};

// Dilutions of precision.
class Msg_DP : public Quor_message {
public:
    explicit Msg_DP(const Quor_message& message);
    float get_hdop() const { return get_float(5); }
    float get_vdop() const { return get_float(9); }
    float get_tdop() const { return get_float(13); }
    int get_type() const { return get_uint8(17); }
    float get_gdop() const;
    float get_pdop() const;
};

// End of epoch, identifier "||".
class Msg_EE : public Quor_message {
public:
    explicit Msg_EE(const Quor_message& message);
};

} // namespace GNSS_messages
