// A receiver's text reply: "RE" (success) or "ER" (error) with a text body,
// usually "%id%" of the request followed by the reply proper, ending in CR LF.
#pragma once

#include "glue/quor/Quor_message.h"

class Quor_response : public Quor_message {
public:
    Quor_response(unsigned char* buffer, unsigned size);
    ~Quor_response() override;

    // True when the identifier is "RE".
    bool get_response_status() const;
    // The reply text from offset 5 when a 0 byte ends it within reach;
    // otherwise (and for an empty body) the empty text.
    const char* get_response_string() const;
    // True when the reply text begins with prefix.
    bool check_response_string(const char* prefix) const;
    // Writes n as the body length ("%03x"); false when n >= 4096 or the view
    // is shorter than the header. The view's size is not changed.
    bool set_msg_len(unsigned n);
    // Moves the view's start to the reply proper: the first character after
    // the second '%' that is not white space. len receives its length without
    // trailing white space and control characters. Null when the view holds
    // fewer than two '%' before its end or its first 0 byte, or nothing but
    // white space follows them (len is then 0).
    char* strip_identifier(unsigned& len);
};
