// The common face of the stats that show a text on a button of their own
// (cycle box, pop-up list): identity and size are the output string's, the
// input is the button's activator, and the value never goes to the VT
// through the value passes.
#pragma once

#include "vtui/screen/Window.h"
#include "vtui/stat/Stat.h"

class Stat_button_text : public Stat {
public:
    unsigned short get_object_id() const override { return text ? text->get_id() : NULL_ID; }
    unsigned short get_in_object_id() const override { return activator.get_button_id(); }
    int get_width() const override { return width_of(text); }
    int get_height() const override { return height_of(text); }
    VT::VT_obj* get_input_obj() const override { return text; }
    int update_val(update_modes) override { return 1; }
    bool update_scale() override { return true; }
    bool set_units(Units_man&) override { return true; }
    bool update_from_input(unsigned int, Stat_user*) override { return true; }

    Window::Activator& get_activator() { return activator; }

protected:
    // Highlights (or not) the frame of the text through the decorations of
    // the window's screen manager.
    void select_frame(Window* window, bool selected);

    VT::Output_string_obj* text = nullptr;
    Window::Activator activator;
};
