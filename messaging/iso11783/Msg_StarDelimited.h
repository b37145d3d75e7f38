// Identification messages made of text fields, each ended by '*'. DFIELD_OFF
// bytes come before the first field (1 when byte 0 counts the fields).
#pragma once

#include "messaging/iso11783/Iso11783_message.h"
#include "util/Bugger.h"

#include <cstring>

namespace Iso11783 {

template <unsigned PGN, unsigned DFIELD_OFF>
class Msg_StarDelimited : public Iso11783_message<PGN, 1024> {
    using Base = Iso11783_message<PGN, 1024>;

public:
    static constexpr unsigned SIZE = 1024;
    static constexpr char STAR = '*';
    static constexpr const char* debug_name = "StarDelimited";

    // The buffer starts all 0: no fields.
    Msg_StarDelimited()
    {
        std::memset(this->data_, 0, SIZE);
        this->JIN_base_message::set_length(0);
    }

    void set_field_count_max(unsigned fcm)
    {
        if (fcm == 0)
            Bugger::report_bug("fcm != 0");
        field_count_max_ = fcm;
    }

    // Number of fields with their closing '*'.
    int field_count() const
    {
        int count = 0;
        for (unsigned i = DFIELD_OFF; i < data_end(); i++)
            if (this->data_[i] == STAR)
                count++;
        return count;
    }

    // Bytes of field k up to its '*' (or the end of the data); -1 when the
    // field does not start inside the data.
    int field_length(int k) const
    {
        int start = field_start(k);
        if (start < 0)
            return -1;
        unsigned end = static_cast<unsigned>(start);
        while (end < data_end() && this->data_[end] != STAR)
            end++;
        return static_cast<int>(end - static_cast<unsigned>(start));
    }

    // Copies field k and a terminating 0; false when the field does not
    // exist or does not fit with its 0.
    bool get_field(int k, char* buffer, unsigned size, unsigned& length) const
    {
        if (!buffer || !field_exists(k))
            return false;
        int start = field_start(k);
        unsigned len = static_cast<unsigned>(field_length(k));
        if (len >= size)
            return false;
        std::memcpy(buffer, this->data_ + start, len);
        buffer[len] = '\0';
        length = len;
        return true;
    }

    // Replaces field k (adding empty fields up to it when missing): false
    // for a missing text, a negative k, a text with '*', a field beyond the
    // field-count maximum, or a message that would not fit its buffer.
    bool set_field(int k, const char* text)
    {
        if (!text || k < 0 || std::strchr(text, STAR))
            return false;
        // Everything is checked before anything changes: a refused text
        // leaves the message as it was.
        unsigned end = data_end();
        int count = field_count();
        unsigned pad = k >= count ? static_cast<unsigned>(k + 1 - count) : 0;
        if (pad > 0 && static_cast<unsigned>(k) >= field_count_max_)
            return false;
        unsigned old_len = pad > 0 ? 0 : static_cast<unsigned>(field_length(k));
        unsigned new_len = static_cast<unsigned>(std::strlen(text));
        if (end + pad - old_len + new_len > LAST_DATA_END)
            return false;
        while (pad-- > 0)
            this->data_[end++] = STAR;
        unsigned start = static_cast<unsigned>(field_start(k));
        unsigned new_end = end - old_len + new_len;
        unsigned char* tail = this->data_ + start + old_len;
        std::memmove(this->data_ + start + new_len, tail, end - start - old_len);
        std::memcpy(this->data_ + start, text, new_len);
        if (new_end < end)
            std::memset(this->data_ + new_end, 0, end - new_end);
        return true;
    }

    // The length becomes the end of the data; false when no 0 byte ends it
    // before the last byte.
    bool finish()
    {
        unsigned end = data_end();
        if (end >= SIZE - 1)
            return false;
        this->JIN_base_message::set_length(end);
        return true;
    }

    void static_copy_from(const Msg_StarDelimited& other)
    {
        Base::static_copy_from(other);
        field_count_max_ = other.field_count_max_;
    }

protected:
    // The data never reach the last byte, which stays 0.
    static constexpr unsigned LAST_DATA_END = SIZE - 2;

    // Index of the first 0 byte from the data start.
    unsigned data_end() const
    {
        unsigned i = DFIELD_OFF;
        while (i < SIZE && this->data_[i] != 0)
            i++;
        return i;
    }
    // Start of field k: the data start for 0, else one past the k-th '*';
    // -1 when there are not k fields.
    int field_start(int k) const
    {
        if (k < 0)
            return -1;
        unsigned i = DFIELD_OFF;
        for (int seen = 0; seen < k; i++) {
            if (i >= data_end())
                return -1;
            if (this->data_[i] == STAR)
                seen++;
        }
        return static_cast<int>(i);
    }
    bool field_exists(int k) const { return k >= 0 && k < field_count(); }

    unsigned field_count_max_ = 1024;
};

// Software identification (65242): byte 0 the number of fields.
class Msg_SoftwareIdentification : public Msg_StarDelimited<65242, 1> {
public:
    // Adds a field after the last one and counts it in byte 0.
    bool append_field(const char* text)
    {
        if (!set_field(field_count(), text))
            return false;
        data_[0] = static_cast<unsigned char>(data_[0] + 1);
        return true;
    }
};

// ECU identification (64965).
class Msg_ECUIdentification : public Msg_StarDelimited<64965, 0> {
public:
    enum Field { PART_NUMBER = 0, SERIAL_NUMBER, LOCATION, TYPE, MANUFACTURER_NAME, HARDWARE_ID };
};

// Product identification (64653).
class Msg_ProductIdentification : public Msg_StarDelimited<64653, 0> {
public:
    enum Field { CODE = 0, BRAND, MODEL };
};

} // namespace Iso11783
