// Attribute writes of the widget toolkit that go out only when the value
// changes, so that a redraw of an unchanged page sends nothing to the VT.
#pragma once

#include "platform/vt/Vt_objects.h"
#include "vtui/stat/Stat.h"

#include <algorithm>

namespace UI {
namespace PUI {

template <class T>
void resize(T* o, int width, int height)
{
    unsigned short w = 0, h = 0;
    o->get_size(w, h);
    if (w != width || h != height)
        o->set_size(uint16_t(std::max(width, 0)), uint16_t(std::max(height, 0)));
}

template <class T>
void refer(T* o, unsigned short id)
{
    if (o->get_variable_reference() != id)
        o->set_variable_reference(id);
}

template <class T>
void use_font(T* o, const VT::Font_attributes_obj* font)
{
    if (font && o->get_font_attributes() != font->get_id())
        o->set_font_attributes(font->get_id());
}

inline void set_editable(Stat& s, bool editable)
{
    if (s.editable_flag() != editable)
        s.set_editable(editable);
}

} // namespace PUI
} // namespace UI
