#include "apps/sowvane/pool/Seeder_pool.h"

#include "apps/sowvane/pool/Pool_layout.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"

#include "util/Debug_print.h"
#include "vt_object_model/VtMessageWriter.h"

namespace {

// Every screen, in the order of its objects in the pool; the run screen comes
// first, so its data mask is the working set's active mask.
const Screen_builder all_screens[] = {
    build_run_screen,
    build_tank_fill_screen,
    build_pressure_diagnostics_screen,
    build_blocked_head_data_screen,
    build_system_info_screen,
    build_settings_menu,
    build_operating_history_menu,
    build_seeder_settings_menu,
    build_product_settings_menu,
    build_alarm_settings_menu,
    build_factory_reset_screen,
};

void add_working_set_label(Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    builder.add_to_working_set(5, 5, builder.create_text(seeder_working_set_label, layout.font(2), 1));
}

int finish(Pool_layout& layout, VtMessageWriter& writer, const char* what)
{
    if (layout.builder.write_pool(writer) == 0)
        return 0;
    Debug_print::dprint("VT pool: %s does not fit in %u bytes (%u objects); not loaded\n", what,
                        unsigned(writer.getCapacity()), unsigned(layout.builder.object_count()));
    writer.reset();
    writer.refuse();
    return -1;
}

} // namespace

int build_seeder_pool(Screen_object_ids& table, VtMessageWriter& writer, const VtSize& size)
{
    Pool_layout layout;
    setup_pool_layout(table, layout, size);
    add_working_set_label(layout);
    for (Screen_builder build : all_screens)
        build(table, layout);
    writer.reset();
    return finish(layout, writer, "the pool");
}

int build_history_menu_pool(Screen_object_ids& table, VtMessageWriter& writer, const VtSize& size)
{
    Pool_layout layout;
    setup_pool_layout(table, layout, size);
    add_working_set_label(layout);
    build_operating_history_menu(table, layout);
    writer.reset();
    writer.writeByte(17, "function");
    return finish(layout, writer, "the history menu pool");
}
