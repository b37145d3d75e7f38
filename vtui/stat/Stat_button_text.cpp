#include "vtui/stat/Stat_button_text.h"

#include "vtui/screen/Screen_man.h"
#include "vtui/stat/Stat_decorations.h"

void Stat_button_text::select_frame(Window* window, bool selected)
{
    Screen_man* m = window ? window->get_man() : nullptr;
    if (m && text)
        m->get_decorations().select(text->get_id(), selected);
}
