// Three VT buttons as a rotary control: the direction in which the VT moves
// its input selection from button to button (1 -> 2 -> 3 -> 1 or back)
// becomes an increment or a decrement.
#pragma once

#include "vtui/screen/Window.h"

class Cycle_helper {
public:
    enum result { DECREMENT = -1, NOTHING = 0, INCREMENT = 1, RELEASED = 2, PRESSED = 3, HELD = 4, NOT_HANDLED = 5 };
    static constexpr int NUM_BUTTONS = 3;

    // Binds the buttons "button_cycle_helper_1" to "_3" of the pool.
    bool init(Window* w, VT::Object_pool* pool, bool ignore_first);
    void reset(bool ignore_first, bool increment_on_first, bool decrement_on_first);
    void activate() { reset(ignore_next_select, increment_on_first, decrement_on_first); }
    // Asks the VT to select the first button.
    int select();
    int handle_activator_event(Window::Activator& a, Window::Activator_event& ev);
    const char* debug_check_act(Window::Activator& a) const;

private:
    int index_of(const Window::Activator& a) const;

    Window::Activator activators[NUM_BUTTONS];
    VT::Button_obj* buttons[NUM_BUTTONS] = {nullptr, nullptr, nullptr};
    VT::Object_pool* pool = nullptr;
    int last = -1;
    bool unselected_seen = false;
    bool ignore_next_select = false;
    bool selected_seen = false;
    bool decrement_on_first = false;
    bool increment_on_first = false;
};
