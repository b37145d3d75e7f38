// Asks before the factory reset; Confirm ends the program with exit code 3,
// on the way out of which the settings return to their defaults and are
// saved (the operating totals and the diagnostic history stay). Cancel goes
// back.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class ConfirmFactoryResetMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_factory_reset_mask;
    // The shutdown code of a factory reset, also the program's exit code.
    static constexpr int FACTORY_RESET_EXIT_CODE = 3;

    ConfirmFactoryResetMask(const char* name, Screen_man* man);
    ~ConfirmFactoryResetMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

private:
    enum { KEY_CONFIRM, KEY_CANCEL };
    static const Key_row<Ids> key_rows[2];
    Key_rows<Ids, 2> keys{key_rows};
};
