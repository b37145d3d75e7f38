#include "glue/quor/GNSS_messages.h"

#include <cmath>

namespace GNSS_messages {

#define GNSS_VIEW_CONSTRUCTOR(NAME)                                                        \
    NAME::NAME(const Quor_message& message)                                                \
        : Quor_message(message.get_buffer(), message.get_length())                        \
    {                                                                                      \
    }

GNSS_VIEW_CONSTRUCTOR(Msg_E1)
GNSS_VIEW_CONSTRUCTOR(Msg_E2)
GNSS_VIEW_CONSTRUCTOR(Msg_EC)
GNSS_VIEW_CONSTRUCTOR(Msg_AZ)
GNSS_VIEW_CONSTRUCTOR(Msg_SS)
GNSS_VIEW_CONSTRUCTOR(Msg_NN)
GNSS_VIEW_CONSTRUCTOR(Msg_SI)
GNSS_VIEW_CONSTRUCTOR(Msg_EL)
GNSS_VIEW_CONSTRUCTOR(Msg_TC)
GNSS_VIEW_CONSTRUCTOR(Msg_PS)
GNSS_VIEW_CONSTRUCTOR(Msg_SG)
GNSS_VIEW_CONSTRUCTOR(Msg_NA)
GNSS_VIEW_CONSTRUCTOR(Msg_PV)
GNSS_VIEW_CONSTRUCTOR(Msg_PG)
GNSS_VIEW_CONSTRUCTOR(Msg_GA)
GNSS_VIEW_CONSTRUCTOR(Msg_RD)
GNSS_VIEW_CONSTRUCTOR(Msg_ST)
GNSS_VIEW_CONSTRUCTOR(Msg_NT)
GNSS_VIEW_CONSTRUCTOR(Msg_GT)
GNSS_VIEW_CONSTRUCTOR(Msg_RT)
GNSS_VIEW_CONSTRUCTOR(Msg_DP)
GNSS_VIEW_CONSTRUCTOR(Msg_EE)

#undef GNSS_VIEW_CONSTRUCTOR

float Msg_DP::get_gdop() const
{
    double h = get_hdop(), v = get_vdop(), t = get_tdop();
    return static_cast<float>(std::sqrt(h * h + v * v + t * t));
}

float Msg_DP::get_pdop() const
{
    double h = get_hdop(), v = get_vdop();
    return static_cast<float>(std::sqrt(h * h + v * v));
}

} // namespace GNSS_messages
