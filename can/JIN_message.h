// A CAN message: its header plus its data.
#pragma once

#include "can/JIN_base_message.h"
#include "can/JIN_header.h"

class JIN_message : public JIN_header, public JIN_base_message {
public:
    // Transfer type 6 up to 8 bytes, else 7; the header's length follows the
    // data (0 when the pool was empty).
    explicit JIN_message(unsigned len);
    // The header, and data over the caller's buffer of h.length bytes.
    JIN_message(const JIN_header& h, unsigned char* data);
    JIN_message(JIN_message& other, bool copy);
    JIN_message(const JIN_message& other);
    JIN_message& operator=(const JIN_message& other);

    // Sets the data length and the header's length together.
    void set_length(unsigned len) override;

    // Copies source, destination, PGN and priority; type and length stay.
    void set_header(const JIN_header& h);

    void copy_from(const JIN_message& other);
    void move_from(JIN_message& other);
};
