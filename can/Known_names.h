// NAME patterns of the devices the system deals with, the implement's own
// NAME among them (get_seeder).
#pragma once

#include "can/JIN_name.h"

class Known_names {
public:
    // The system's own J1939 manufacturer code.
    static constexpr J1939::manufacturer_code_t maker = J1939::MAN_CODE_VORMEK_POSITIONING_SYSTEMS;

    static JIN_name::NAME get_quillet_io();
    static JIN_name::NAME get_quillet_slave();
    static JIN_name::NAME get_config();
    static JIN_name::NAME get_mmi();
    static JIN_name::NAME get_proposed_helmor7();
    static JIN_name::NAME get_iso_diag_server(unsigned id);
    static JIN_name::NAME get_vt_server(unsigned id);
    static JIN_name::NAME get_leafmetra_sensor();
    static JIN_name::NAME get_leafmetra_ecu(unsigned id);
    // The implement's own NAME: agricultural, planter, function 128.
    static JIN_name::NAME get_seeder(unsigned id = 0);
    static JIN_name::NAME get_tmc(unsigned id);
};
