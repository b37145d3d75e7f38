// Three buttons as a rotary control: selection sequences and their steps.
#include "vtui/helpers/Cycle_helper.h"

#include "tests/support/vtui/Recording_pool.h"

#include <gtest/gtest.h>

namespace {

struct Test_window : Window {
    Screen_man* get_man() override { return nullptr; }
};

class Cycle_fixture : public testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            std::string name = "button_cycle_helper_" + std::to_string(i + 1);
            vt.add(new VT::Button_obj(uint16_t(50 + i), name.c_str(), 10, 10, 1, 1, uint8_t(i), false));
        }
        vt.start();
        helper.init(&window, &vt.pool, false);
    }
    Window::Activator& act(int i)
    {
        Window::Activator* a = window.get_activators().get(i);
        return *a;
    }
    std::vector<int> select(std::initializer_list<int> buttons)
    {
        std::vector<int> out;
        for (int b : buttons) {
            Window::Activator_event ev;
            ev.event = List_interface::Event::SELECTED;
            ev.source = Window::Activator_event::BUTTON;
            out.push_back(helper.handle_activator_event(act(b), ev));
        }
        return out;
    }
    Recording_pool vt;
    Test_window window;
    Cycle_helper helper;
};

} // namespace

TEST_F(Cycle_fixture, SelectionDirectionGivesTheSteps)
{
    const struct {
        bool inc_first, dec_first;
        std::initializer_list<int> buttons;
        std::vector<int> steps;
    } cases[] = {
        {false, false, {0, 1, 2, 0}, {0, 1, 1, 1}},
        {false, false, {0, 2, 1}, {0, -1, -1}},
        {true, false, {0, 2, 1}, {1, -1, -1}},
        {false, true, {2, 1}, {-1, -1}},
        {false, false, {1}, {5}}, // the middle button first is not counted
    };
    for (const auto& c : cases) {
        helper.reset(false, c.inc_first, c.dec_first);
        EXPECT_EQ(select(c.buttons), c.steps);
    }
}

TEST_F(Cycle_fixture, IgnoredFirstSelectionAndOtherEvents)
{
    helper.reset(true, true, false);
    EXPECT_EQ(select({0, 0}), (std::vector<int>{5, 1}));

    Window::Activator stranger;
    Window::Activator_event ev;
    EXPECT_EQ(helper.handle_activator_event(stranger, ev), 5);
    EXPECT_EQ(helper.debug_check_act(stranger), nullptr);
    EXPECT_STREQ(helper.debug_check_act(act(2)), "A2");
    ev.event = List_interface::Event::PRESSED;
    EXPECT_EQ(helper.handle_activator_event(act(1), ev), 3);
    ev.event = List_interface::Event::RELEASED;
    EXPECT_EQ(helper.handle_activator_event(act(1), ev), 2);

    // select() focuses the first button on the VT.
    vt.sent();
    helper.select();
    auto cmds = vt.sent();
    ASSERT_FALSE(cmds.empty());
    EXPECT_EQ(cmds.back().id, 50);
}
