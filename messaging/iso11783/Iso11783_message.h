// An ISO 11783 message kept ready in an object: its data buffer lies inside
// the object, so that a stored reply can be copied whole into another.
#pragma once

#include "can/JIN_grow_message.h"
#include "can/JIN_transmission.h"
#include "util/Bugger.h"

#include <cstring>

namespace Iso11783 {

template <unsigned PGN, unsigned SIZE, unsigned PRIO = 6>
class Iso11783_message : public JIN::Transmission_broadcast<JIN_grow_message, PGN, PRIO> {
    using Base = JIN::Transmission_broadcast<JIN_grow_message, PGN, PRIO>;

public:
    static constexpr unsigned priority = PRIO;
    static constexpr unsigned BUFFER_SIZE = SIZE;

    // All bytes 0xFF; the length covers at most the first 8.
    Iso11783_message() : Base(nullptr, 0)
    {
        std::memset(data_, 0xFF, SIZE);
        this->set_view(data_, SIZE < 8 ? SIZE : 8, SIZE);
    }
    Iso11783_message(const Iso11783_message&) = delete;
    Iso11783_message& operator=(const Iso11783_message&) = delete;

    // True while the message's data are its own inline buffer.
    bool is_static() const { return this->get_buffer() == data_; }

    // Copies the whole buffer and the length of other.
    void static_copy_from(const Iso11783_message& other)
    {
        if (!(is_static() && other.is_static()))
            Bugger::report_bug("this->is_static() && other.is_static()");
        std::memcpy(data_, other.data_, SIZE);
        this->JIN_base_message::set_length(other.get_length());
    }

protected:
    unsigned char data_[SIZE];
};

} // namespace Iso11783
