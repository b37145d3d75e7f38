// Renders a receiver message as one line of text: labelled ("PS type=1 ...")
// or comma-separated ("PS,1,..."). Every result is cut to the output buffer.
#pragma once

#include "glue/quor/GNSS_messages.h"

class Quor_printer {
public:
    explicit Quor_printer(bool labelled = true) : labelled_(labelled) {}

    void set_labelled(bool labelled) { labelled_ = labelled; }
    bool is_labelled() const { return labelled_; }

    // Renders by identifier: the GNSS kinds through their printers, text
    // replies ("RE", "ER", "DL", "NP") as their text, anything else as
    // "id ???:" and a hexadecimal dump (returning 0). Returns the length of
    // the text in buf.
    int snprint(const Quor_message& message, char* buf, int size) const;

    // One kind each: the length of the text in buf, 0 when a value list is
    // too short.
    int snprint(const GNSS_messages::Msg_E1& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_E2& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_EC& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_AZ& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_SS& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_NN& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_SI& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_EL& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_TC& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_PS& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_SG& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_NA& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_PV& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_PG& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_GA& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_RD& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_ST& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_NT& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_GT& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_RT& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_DP& m, char* buf, int size) const;
    int snprint(const GNSS_messages::Msg_EE& m, char* buf, int size) const;

private:
    bool labelled_;
};
