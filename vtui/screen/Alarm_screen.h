// A screen on one VT alarm mask. All alarm screens share the pool objects that
// show an alarm's details (count, SPN, FMI, text): each writes its own values
// there when it comes up. It can close itself after a set time and closes on
// the cross soft key.
#pragma once

#include "vtui/screen/Screen.h"

class Alarm_screen : public Screen {
public:
    // A null name takes the mask's own; the priority is the mask's.
    Alarm_screen(VT::Alarm_mask_obj* mask, Screen_man* man, const char* name);
    ~Alarm_screen() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void send_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms) override;
    bool send_timeout(Timeout& t) override;
    bool base_send_timeout(Timeout& t) override { return send_timeout(t); }
    Alarm_screen* as_alarm_screen() override { return this; }
    bool activate() override;
    unsigned short get_mask_id() override;
    bool reshow_mask() override;
    bool offers_way_out() override { return mask_offers_way_out(alarm_mask); }

    // Self-close time in ms; 0 never.
    void set_timeout(unsigned ms) { timeout = ms; }
    unsigned get_timeout() const { return timeout; }
    void set_values(uint32_t count, uint32_t spn_value, uint32_t fmi_value, unsigned short text)
    {
        occurrence_count = count;
        spn = spn_value;
        fmi = fmi_value;
        text_id = text;
    }
    // A new occurrence count: written to the shared object at once while
    // the screen is shown and the count changed.
    void set_occurrence_count(uint32_t count);
    uint32_t get_occurrence_count() const { return occurrence_count; }
    Timeout& get_close_timeout() { return close_timeout; }

    static VT::Number_variable_obj* occurance_count_obj;
    static VT::Number_variable_obj* spn_obj;
    static VT::Number_variable_obj* fmi_obj;
    static VT::Output_string_obj* text_obj;
    static VT::Output_string_obj* esc_message;
    static unsigned short esc_message_str;

protected:
    Timeout close_timeout;
    VT::Alarm_mask_obj* alarm_mask = nullptr;
    uint32_t occurrence_count = 0;
    uint32_t spn = 0;
    uint32_t fmi = 0;
    unsigned short text_id = NULL_ID;
    unsigned timeout = 0;
};

// An alarm screen that closes itself after one second.
class Timeout_alarm_screen : public Alarm_screen {
public:
    Timeout_alarm_screen(VT::Alarm_mask_obj* mask, Screen_man* man, const char* name);
};
