#include "glue/quor/Quor_printer.h"

#include <cstdarg>
#include <cstdio>

using namespace GNSS_messages;

namespace {

constexpr double PI = 3.141592653589793;

// Appends to the text of length len in buf; never writes past size bytes.
// Returns the new length of the text in buf.
int append(char* buf, int size, int len, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

int append(char* buf, int size, int len, const char* format, ...)
{
    if (!buf || size <= 0 || len >= size - 1)
        return len;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buf + len, static_cast<size_t>(size - len), format, args);
    va_end(args);
    if (n < 0) {
        buf[len] = 0;
        return len;
    }
    return n < size - len ? len + n : size - 1;
}

constexpr unsigned short code(const char* id)
{
    return Quor_message::id_code(id[0], id[1]);
}

template <class Msg>
int print_values(const Msg& m, const char* id, int min_len, int scale, bool labelled, char* buf,
                 int size)
{
    if (static_cast<int>(m.get_msg_len()) < min_len) {
        printf("%s message too short\n", id);
        return 0;
    }
    int len = append(buf, size, 0, "%s", id);
    const int count = m.get_count();
    for (int i = 0; i < count && len < size - 1; i++)
        len = append(buf, size, len, labelled ? " %d" : ",%d", m.get_value(i) * scale);
    return len;
}

} // namespace

int Quor_printer::snprint(const Msg_E1& m, char* buf, int size) const
{
    return print_values(m, "E1", 1, 1, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_E2& m, char* buf, int size) const
{
    return print_values(m, "E2", 1, 1, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_EC& m, char* buf, int size) const
{
    return print_values(m, "EC", 1, 1, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_AZ& m, char* buf, int size) const
{
    return print_values(m, "AZ", 1, 2, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_SS& m, char* buf, int size) const
{
    return print_values(m, "SS", 2, 1, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_NN& m, char* buf, int size) const
{
    return print_values(m, "NN", 1, 1, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_SI& m, char* buf, int size) const
{
    return print_values(m, "SI", 1, 1, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_EL& m, char* buf, int size) const
{
    return print_values(m, "EL", 1, 1, labelled_, buf, size);
}
int Quor_printer::snprint(const Msg_TC& m, char* buf, int size) const
{
    return print_values(m, "TC", 1, 1, labelled_, buf, size);
}

int Quor_printer::snprint(const Msg_PS& m, char* buf, int size) const
{
    return append(buf, size, 0,
                  labelled_ ? "    PS type=%d locked={%d,%d} avail={%d,%d} used={%d,%d} fix=%d"
                            : "    PS,%d,{%d,%d},{%d,%d},{%d,%d},%d",
                  m.get_type(), m.get_locked(0), m.get_locked(1), m.get_avail(0),
                  m.get_avail(1), m.get_used(0), m.get_used(1), m.get_fix());
}

int Quor_printer::snprint(const Msg_SG& m, char* buf, int size) const
{
    return append(buf, size, 0,
                  labelled_ ? "    SG hpos=%.2f vpos=%.2f hvel=%.2f vvel=%.2f type=%d"
                            : "    SG,%.2f,%.2f,%.2f,%.2f,%d",
                  static_cast<double>(m.get_hpos()), static_cast<double>(m.get_vpos()),
                  static_cast<double>(m.get_hvel()), static_cast<double>(m.get_vvel()),
                  m.get_type());
}

int Quor_printer::snprint(const Msg_NA& m, char* buf, int size) const
{
    return append(buf, size, 0,
                  labelled_ ? "NA sv=%d freq=%d day=%d time=%.3f health=%x tauN=%.3e "
                              "tauSys=%.3e ecc%.3e lambda=%.3e argPer=%.3e delT=%.3e "
                              "delTdt=%.3e deli=%.3e"
                            : "NA,%d,%d,%d,%.3f,%x,%.3e,%.3e,%.3e,%.3e,%.3e,%.3e,%.3e,%.3e",
                  m.get_sv(), m.get_freq(), m.get_day(), static_cast<double>(m.get_time()),
                  static_cast<unsigned>(m.get_health()), static_cast<double>(m.get_tauN()),
                  m.get_tauSys(), static_cast<double>(m.get_ecc()),
                  static_cast<double>(m.get_lambda()), static_cast<double>(m.get_argPer()),
                  static_cast<double>(m.get_delT()), static_cast<double>(m.get_delTdt()),
                  static_cast<double>(m.get_deli()));
}

int Quor_printer::snprint(const Msg_PV& m, char* buf, int size) const
{
    return append(buf, size, 0,
                  labelled_ ? "    PV pos={%.3f,%.3f,%.3f} psigma=%.3f vel={%.3f,%.3f,%.3f} "
                              "vsigma=%.3f type=%d"
                            : "    PV,{%.3f,%.3f,%.3f},%.3f,{%.3f,%.3f,%.3f},%.3f,%d",
                  m.get_pos(0), m.get_pos(1), m.get_pos(2), static_cast<double>(m.get_psigma()),
                  static_cast<double>(m.get_vel(0)), static_cast<double>(m.get_vel(1)),
                  static_cast<double>(m.get_vel(2)), static_cast<double>(m.get_vsigma()),
                  m.get_type());
}

int Quor_printer::snprint(const Msg_PG& m, char* buf, int size) const
{
    return append(buf, size, 0,
                  labelled_ ? "    PG lat=%.10f lon=%.10f hgt=%.3fm sigma=%.2f type=%d"
                            : "    PG,%.10f,%.10f,%.3f,%.2f,%d",
                  m.get_lat() * 180.0 / PI, m.get_lon() * 180.0 / PI, m.get_hgt(),
                  static_cast<double>(m.get_sigma()), m.get_type());
}

int Quor_printer::snprint(const Msg_GA& m, char* buf, int size) const
{
    return append(buf, size, 0,
                  labelled_ ? "GA sv=%d week=%d ms=%d healthA=%x healthS=%x config=%x af1=%.3e "
                              "af0=%.3e rootA=%.3e ecc=%.3e m0=%.3e omega0=%.3e argPer=%.3e "
                              "deli=%.3e omegaDot=%.3e"
                            : "GA,%d,%d,%d,%x,%x,%x,%.3e,%.3e,%.3e,%.3e,%.3e,%.3e,%.3e,%.3e,%.3e",
                  m.get_sv(), m.get_week(), m.get_ms(), static_cast<unsigned>(m.get_healthA()),
                  static_cast<unsigned>(m.get_healthS()), static_cast<unsigned>(m.get_config()),
                  static_cast<double>(m.get_af1()), static_cast<double>(m.get_af0()),
                  static_cast<double>(m.get_rootA()), static_cast<double>(m.get_ecc()),
                  static_cast<double>(m.get_m0()), static_cast<double>(m.get_omega0()),
                  static_cast<double>(m.get_argPer()), static_cast<double>(m.get_deli()),
                  static_cast<double>(m.get_omegaDot()));
}

int Quor_printer::snprint(const Msg_RD& m, char* buf, int size) const
{
    return append(buf, size, 0, labelled_ ? "RD date=%02d/%02d/%02d base=%d" : "RD,%02d/%02d/%02d,%d",
                  m.get_day(), m.get_month(), m.get_year(), m.get_base());
}

int Quor_printer::snprint(const Msg_ST& m, char* buf, int size) const
{
    return append(buf, size, 0, labelled_ ? "ST ms=%d type=%d" : "ST,%d,%d",
                  static_cast<int>(m.get_ms()), m.get_type());
}

int Quor_printer::snprint(const Msg_NT& m, char* buf, int size) const
{
    return append(buf, size, 0, labelled_ ? "    NT ms=%d day=%d" : "    NT,%d,%d",
                  static_cast<int>(m.get_ms()), m.get_day());
}

int Quor_printer::snprint(const Msg_GT& m, char* buf, int size) const
{
    return append(buf, size, 0, labelled_ ? "    GT ms=%d week=%d" : "    GT,%d,%d",
                  static_cast<int>(m.get_ms()), m.get_week());
}

int Quor_printer::snprint(const Msg_RT& m, char* buf, int size) const
{
    return append(buf, size, 0, labelled_ ? "RT ms=%u" : "RT,%u", m.get_ms());
}

int Quor_printer::snprint(const Msg_DP& m, char* buf, int size) const
{
    return append(buf, size, 0,
                  labelled_ ? "    DP hdop=%.2f vdop=%.2f tdop=%.2f gdop=%.2f pdop=%.2f type=%d"
                            : "    DP,%.2f,%.2f,%.2f,%.2f,%.2f,%d",
                  static_cast<double>(m.get_hdop()), static_cast<double>(m.get_vdop()),
                  static_cast<double>(m.get_tdop()), static_cast<double>(m.get_gdop()),
                  static_cast<double>(m.get_pdop()), m.get_type());
}

int Quor_printer::snprint(const Msg_EE&, char* buf, int size) const
{
    return append(buf, size, 0, "EE");
}

int Quor_printer::snprint(const Quor_message& m, char* buf, int size) const
{
    const unsigned short id = m.get_id();
    switch (id) {
    case code("E1"): return snprint(Msg_E1(m), buf, size);
    case code("E2"): return snprint(Msg_E2(m), buf, size);
    case code("EC"): return snprint(Msg_EC(m), buf, size);
    case code("AZ"): return snprint(Msg_AZ(m), buf, size);
    case code("SS"): return snprint(Msg_SS(m), buf, size);
    case code("NN"): return snprint(Msg_NN(m), buf, size);
    case code("SI"): return snprint(Msg_SI(m), buf, size);
    case code("EL"): return snprint(Msg_EL(m), buf, size);
    case code("TC"): return snprint(Msg_TC(m), buf, size);
    case code("PS"): return snprint(Msg_PS(m), buf, size);
    case code("SG"): return snprint(Msg_SG(m), buf, size);
    case code("NA"): return snprint(Msg_NA(m), buf, size);
    case code("PV"): return snprint(Msg_PV(m), buf, size);
    case code("PG"): return snprint(Msg_PG(m), buf, size);
    case code("GA"): return snprint(Msg_GA(m), buf, size);
    case code("RD"): return snprint(Msg_RD(m), buf, size);
    case code("ST"): return snprint(Msg_ST(m), buf, size);
    case code("NT"): return snprint(Msg_NT(m), buf, size);
    case code("GT"): return snprint(Msg_GT(m), buf, size);
    case code("~~"): return snprint(Msg_RT(m), buf, size);
    case code("DP"): return snprint(Msg_DP(m), buf, size);
    case code("||"): return snprint(Msg_EE(m), buf, size);
    case code("RE"):
    case code("ER"):
    case code("DL"):
    case code("NP"): {
        // The text up to its first 0 byte, never beyond the view.
        const unsigned char* text = m.get_buffer();
        unsigned n = 0;
        while (text && n < m.get_length() && text[n] != 0)
            n++;
        return append(buf, size, 0, "%.*s", static_cast<int>(n),
                      text ? reinterpret_cast<const char*>(text) : "");
    }
    default:
        break;
    }
    const char first = static_cast<char>(m.get_uint8(0));
    const char second = static_cast<char>(m.get_uint8(1));
    fprintf(stderr, "UNKNOWN %c%c\n", first, second);
    int len = append(buf, size, 0, "%c%c ???: ", first, second);
    for (unsigned i = 0; i < m.get_length() && len < size - 1; i++)
        len = append(buf, size, len, " %02x", m.get_uint8(i));
    append(buf, size, len, "\n");
    return 0;
}
