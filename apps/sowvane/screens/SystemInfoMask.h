// A read-only page with the firmware version of this ECU and the versions of
// the ECUs serving channels 1 and 3, refreshed while it is shown.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "vtui/stat/Stat_string.h"

class SystemInfoMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_system_info_mask;
    static constexpr int PERIOD_MS = 400;

    SystemInfoMask(const char* name, Screen_man* man);
    ~SystemInfoMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    bool activate() override;
    bool deactivate() override;
    bool send_timeout(Timeout& t) override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    const char* firmware_text() const { return firmware.c_str(); }
    const char* versions_text() const { return versions.c_str(); }

private:
    void refresh();

    static const Key_row<Ids> key_rows[2];
    Timeout timeout;
    Key_rows<Ids, 2> keys{key_rows};
    Stat_string firmware, versions;
};
