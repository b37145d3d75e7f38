// The bar graph that covers unused quadrants belongs to the pool a screen
// runs on: screens of a pool built after an earlier one was deleted clear
// their own pool's cover and never touch the deleted one.
#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Global_stat_manager.h"

#include "glue/diner/module_man.h"
#include "tests/support/vtui/Recording_pool.h"
#include "tests/support/vtui/Scripted_man.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;
constexpr unsigned short WS = 1, KEYS = 10, MASK = 100, COVER = 200;

struct Cover_pool : Recording_pool {
    Cover_pool()
    {
        add(new VT::Working_set_obj(WS, "ws", 0, true, MASK));
        add(new VT::Soft_key_mask_obj(KEYS, "keys", 0));
        add(new VT::Data_mask_obj(MASK, "mask_run", 0, KEYS));
        add(new VT::Linear_bar_graph_obj(COVER, "bar_graph_cover_quad", 60, 60, 0, 0, 0, 0, 0, 100, NULL_ID, 0,
                                         NULL_ID, 0));
    }
    VT::Linear_bar_graph_obj* cover() { return pool.find<VT::Linear_bar_graph_obj>(COVER); }
};

class Run_screen : public Data_screen {
public:
    using Data_screen::Data_screen;
    bool init(VT::Object_pool* p, NV_kelsu::parameters_t* params) override
    {
        return Data_screen::init(p, p->find<VT::Data_mask_obj>(MASK), params, nullptr, 0);
    }
};

// One VT connection's user interface: its pool, manager and run screen.
struct Screen_set {
    Screen_set()
    {
        static int settings_stand_in;
        vt.start();
        started = man.init(&vt.pool, reinterpret_cast<NV_kelsu::parameters_t*>(&settings_stand_in), &ui,
                           &ui.get_waiter(), &units);
    }
    Cover_pool vt;
    module_man mm;
    Recording_ui ui{&mm};
    Units_man units;
    Scripted_man man{stat_man};
    Global_stat_manager stat_man{"stat_man", &man};
    Run_screen run{"intro", &man};
    bool started = false;
};

TEST(Unused_cover, LeavingAScreenClearsTheCoverOfItsOwnPool)
{
    auto first = std::make_unique<Screen_set>();
    ASSERT_TRUE(first->started);
    ASSERT_TRUE(first->run.activate());
    first->vt.cover()->set_value(40);
    ASSERT_TRUE(first->run.deactivate());
    EXPECT_EQ(first->vt.cover()->get_value(), 0u);
    first.reset();

    // A second pool after the first is gone (a VT reconnect, a second
    // program instance): its screens use its own cover.
    Screen_set second;
    ASSERT_TRUE(second.started);
    ASSERT_TRUE(second.run.activate());
    second.vt.cover()->set_value(40);
    ASSERT_TRUE(second.run.deactivate());
    EXPECT_EQ(second.vt.cover()->get_value(), 0u);
}

} // namespace
