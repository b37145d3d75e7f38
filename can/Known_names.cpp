#include "can/Known_names.h"

using namespace J1939;
using JIN_name::NAME;

namespace {

// A pattern with every field cared for but the identity number.
NAME any_identity(device_class_t device_class, unsigned function, unsigned char function_instance)
{
    NAME n;
    n.set_is_self_configurable(true, false);
    n.set_industry_group(IND_CODE_AG_OR_FORESTRY, false);
    n.set_device_class_instance(0, false);
    n.set_device_class(device_class, false);
    n.set_function(static_cast<function_code_t>(function), false);
    n.set_function_instance(function_instance, false);
    n.set_ECU_instance(0, false);
    n.set_manufacturer_code(Known_names::maker, false);
    return n;
}

NAME exact(industry_group_t group, device_class_t device_class, unsigned function,
           unsigned char function_instance, unsigned identity, bool self_configurable)
{
    return NAME(group, 0, device_class, static_cast<function_code_t>(function), function_instance,
                0, Known_names::maker, identity, self_configurable);
}

} // namespace

NAME Known_names::get_quillet_io() { return any_identity(DEV_CODE_PLANTER, 128, 2); }
NAME Known_names::get_quillet_slave() { return any_identity(DEV_CODE_PLANTER, 128, 1); }
NAME Known_names::get_config() { return any_identity(DEV_CODE_NON_SPECIFIC, 23, 2); }

NAME Known_names::get_mmi()
{
    NAME n = get_config();
    n.set_function_instance(1, false);
    return n;
}

NAME Known_names::get_proposed_helmor7()
{
    return exact(IND_CODE_GLOBAL, DEV_CODE_NON_SPECIFIC, 16, 3, 0, false);
}

NAME Known_names::get_iso_diag_server(unsigned id)
{
    return exact(IND_CODE_AG_OR_FORESTRY, DEV_CODE_NON_SPECIFIC, 129, 6, id, true);
}

NAME Known_names::get_vt_server(unsigned id)
{
    return exact(IND_CODE_AG_OR_FORESTRY, DEV_CODE_NON_SPECIFIC, 29, 5, id, true);
}

NAME Known_names::get_leafmetra_sensor()
{
    return exact(IND_CODE_AG_OR_FORESTRY, static_cast<device_class_t>(2), 25, 0, 0, true);
}

NAME Known_names::get_leafmetra_ecu(unsigned id)
{
    return exact(IND_CODE_AG_OR_FORESTRY, DEV_CODE_SENSOR_SYSTEMS, 255, 0, id, true);
}

NAME Known_names::get_seeder(unsigned id)
{
    return exact(IND_CODE_AG_OR_FORESTRY, DEV_CODE_PLANTER, 128, 0, id, true);
}

NAME Known_names::get_tmc(unsigned id)
{
    return exact(IND_CODE_AG_OR_FORESTRY, DEV_CODE_NON_SPECIFIC, 23, 0, id, true);
}
