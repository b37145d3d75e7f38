#include "apps/sowvane/screens/SystemInfoMask.h"

#include <cstring>

using Ids = SystemInfoMask::Ids;
using Row = Key_row<Ids>;

namespace {
// "major.minor" of an ECU's version, prefix before it, "N/A" for 0.0 (no
// version known).
void version_text(const ds_channel& channel, const char* prefix, char* out, size_t size)
{
    const auto& v = channel.ecu_version;
    if (v.v_major == 0 && v.v_minor == 0)
        std::snprintf(out, size, "%sN/A", prefix);
    else
        std::snprintf(out, size, "%s%d.%d", prefix, int(v.v_major), int(v.v_minor));
}
} // namespace

const Row SystemInfoMask::key_rows[2] = {
    {&Ids::key_actuator_diagnostics, Row::KEY, "actuator_diagnostics"},
    {&Ids::key_main, Row::KEY, "main"},
};

SystemInfoMask::SystemInfoMask(const char* name, Screen_man* man) : Data_screen(name, man)
{
    timeout.set_period(PERIOD_MS);
}

SystemInfoMask::~SystemInfoMask() = default;

bool SystemInfoMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    const Ids& ids = mask_ids().system_info_mask;
    if (!bind_data_mask(*this, p, params, ids.data_mask))
        return false;
    keys.bind(this, ids);
    firmware.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.firmware_version), p, PERIOD_MS);
    versions.init(&stats, find_pool_object<VT::Output_string_obj>(p, ids.ecu_versions), p, PERIOD_MS);
    firmware = "N/A";
    versions = "N/A";
    return true;
}

void SystemInfoMask::refresh()
{
    char text[sizeof(ds_firmware_version) + 1] = {};
    cds_get_firmware_version(text, ds_head(), &ds().system.firmware_version);
    firmware = text;

    ds_channel first, third;
    cds_get_channel(&first, ds_head(), &ds().channels.channels[0]);
    cds_get_channel(&third, ds_head(), &ds().channels.channels[2]);
    char line[48];
    version_text(first, "", line, sizeof line);
    const size_t used = std::strlen(line);
    version_text(third, ",", line + used, sizeof line - used);
    versions = line;
}

bool SystemInfoMask::activate()
{
    const bool ok = Data_screen::activate();
    submit_timeout(timeout, PERIOD_MS);
    return ok;
}

bool SystemInfoMask::deactivate()
{
    const bool ok = Data_screen::deactivate();
    remove_timeout(timeout);
    return ok;
}

bool SystemInfoMask::send_timeout(Timeout& t)
{
    if (&t == &timeout) {
        refresh();
        send_val_updates(false);
    }
    return true;
}

bool SystemInfoMask::handle_activator_event(Activator& a, Activator_event& ev)
{
    if (is_release(ev))
        keys.switch_for(get_man(), a);
    return true;
}
