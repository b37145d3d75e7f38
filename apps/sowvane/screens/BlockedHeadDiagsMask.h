// The live state of the first 32 blockage inputs, four rows of eight digits.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"
#include "vtui/stat/Stat_string.h"

class BlockedHeadDiagsMask : public Data_screen {
public:
    using Ids = Screen_object_ids::Group_blocked_head_diags_mask;
    static constexpr int PERIOD_MS = 1000;
    static constexpr int ROWS = 4;

    BlockedHeadDiagsMask(const char* name, Screen_man* man);
    ~BlockedHeadDiagsMask() override;

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    void post_snapshot_init() override;
    bool activate() override;
    bool deactivate() override;
    bool send_timeout(Timeout& t) override;
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override;
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

    // Eight digits, the most significant bit first.
    static void bits_to_text(unsigned char byte, char out[9]);
    const char* row_text(int k) const { return rows[k].c_str(); }

private:
    void update_input_bits();

    static const Key_row<Ids> key_rows[3];
    Timeout timeout;
    Key_rows<Ids, 3> keys{key_rows};
    Stat_string rows[ROWS];
};
