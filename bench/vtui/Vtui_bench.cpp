// The toolkit's hot paths: a refresh pass that pushes 100 changed number
// stats into a running pool, and one soft-key press routed by the screen
// manager to the current screen's activator.
#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Global_stat_manager.h"
#include "vtui/screen/Screen_man.h"
#include "vtui/stat/Stat_num.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;

void drain(VT::Object_pool& pool)
{
    VT::Vt_command c;
    while (pool.take_command(c))
        pool.command_done();
}

void Stat_num_refresh_100(benchmark::State& state)
{
    VT::Object_pool pool(nullptr);
    Stat_collector col;
    std::vector<std::unique_ptr<Stat_num>> stats;
    pool.set_running(true);
    for (unsigned short i = 0; i < 100; ++i) {
        auto* out = new VT::Output_number_obj(uint16_t(100 + i), nullptr, 40, 16, 1, NULL_ID, 0, NULL_ID, 0, 0, 1.0f,
                                              1, 0, 2);
        pool.add_object(out);
        stats.emplace_back(new Stat_num);
        Stat_num_format f(Units_man::UNITS_SPEED, 0.01, 1);
        stats.back()->init(&col, out, 0, f, f, nullptr, Stat_num::RAW_MAX, 0, &pool, nullptr);
    }
    double v = 0;
    for (auto _ : state) {
        v += 0.01;
        for (auto& s : stats)
            s->set_val(v);
        col.for_each([](Stat& s) { s.update_val(Stat::UPDATE_NORMAL); });
        drain(pool);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(Stat_num_refresh_100);

class Key_screen : public Data_screen {
public:
    using Data_screen::Data_screen;
    bool init(VT::Object_pool* p, NV_kelsu::parameters_t* params) override
    {
        key.init(this, 11, NULL_ID);
        return Data_screen::init(p, p->find<VT::Data_mask_obj>("mask"), params, nullptr, 0);
    }
    bool handle_activator_event(Activator&, Activator_event&) override
    {
        ++presses;
        return true;
    }
    Activator key;
    long presses = 0;
};

class Timerless_man : public Screen_man {
public:
    using Screen_man::Screen_man;

protected:
    int carry_timeout(Timeout&, int) override { return 0; }
    int drop_timeout(Timeout&) override { return 0; }
};

// The manager holds a reference to the global stat manager built after it.
struct Ui {
    Timerless_man man{stat_man};
    Global_stat_manager stat_man{"stat_man", &man};
    Key_screen screen{"intro", &man};
};

void Screen_man_soft_key_press(benchmark::State& state)
{
    VT::Object_pool pool(nullptr);
    pool.add_object(new VT::Data_mask_obj(1, "mask", 0, NULL_ID));
    pool.set_running(true);
    static int settings_stand_in;
    auto* params = reinterpret_cast<NV_kelsu::parameters_t*>(&settings_stand_in);
    Ui ui;
    ui.man.init(&pool, params, nullptr, nullptr, nullptr);
    for (auto _ : state) {
        waiter_event press(0, 1, 11);
        ui.man.send_vt_event(VT_event::SOFT_KEY_ACTIVATION, press, true);
        drain(pool);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Screen_man_soft_key_press);

} // namespace
