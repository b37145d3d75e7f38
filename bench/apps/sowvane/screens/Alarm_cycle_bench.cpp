// The run screen's alarm cycle over the generated pool, once a second in the
// field: all 63 alarm records read under the store's lock, their pop-ups
// found by name and queued or taken out, and the next pop-up shown; with no
// alarm active and with four alarms taking turns.
#include "tests/support/app_data_dir.h"
#include "apps/sowvane/data_model.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "apps/sowvane/screens/User_interface.h"
#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "vt_object_model/VtMessageWriter.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

class Bench_ui : public User_interface {
public:
    using User_interface::User_interface;

protected:
    int release_thread() override { return 0; }
};

void drain(VT::Object_pool& pool)
{
    VT::Vt_command c;
    while (pool.take_command(c))
        pool.command_done();
    VT::VT_obj* o = nullptr;
    while (pool.take_upload(o))
        pool.upload_done();
}

void pump(Bench_ui& ui)
{
    waiter_event e;
    while (ui.get_waiter().get_event(&e, Atime::now()) == 0)
        ui.handle_event(e);
}

void Alarm_cycle(benchmark::State& state)
{
    VT::Object_pool pool(&sowvane_module_man);
    VT::DOM_xerces_spec_man spec(&pool);
    std::string path = test_support::vt_spec_dir() + "test_pool.xml";
    auto table = std::make_unique<Screen_object_ids>();
    VtMessageWriter writer(80000, nullptr);
    VT::Object_deserial image;
    image.init(&pool);
    if (!spec.init() || !spec.load(path.c_str()) || build_seeder_pool(*table, writer, VtSize(240, 240)) != 0 ||
        !image.run(writer.getData(), writer.getLength())) {
        state.SkipWithError("pool not loaded");
        return;
    }
    pool.set_running(true);
    pool.set_vt_active(true);
    Bench_ui ui(&sowvane_module_man);
    ui.init(&pool, table.get());
    ui.post_snapshot_init();
    for (int s : {VT::CONN_VT_FOUND, VT::CONN_UPLOADING, VT::CONN_ACTIVE}) {
        pool.set_connection_state(s);
        drain(pool);
        pump(ui);
    }
    auto& run = *static_cast<Main_screen*>(ui.get_screen_man().find_screen("main"));
    for (int i = 0; i < state.range(0); ++i)
        cds_set(ds_head(), &ds().alarms.tank_low[i].active, true);
    pump(ui);
    for (auto _ : state) {
        ui.handle_timeout(run.get_alarm_cycle_timeout());
        drain(pool);
    }
    for (int i = 0; i < state.range(0); ++i)
        cds_set(ds_head(), &ds().alarms.tank_low[i].active, false);
    pump(ui);
}
BENCHMARK(Alarm_cycle)->Arg(0)->Arg(4);

} // namespace
