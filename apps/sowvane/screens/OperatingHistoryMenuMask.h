// The menu of the history pages: totals, shafts and fans.
#pragma once

#include "apps/sowvane/screens/Mask_rows.h"

class OperatingHistoryMenuMask : public Menu_mask<Screen_object_ids::Group_operating_history_menu_mask, 6> {
public:
    using Ids = Screen_object_ids::Group_operating_history_menu_mask;
    OperatingHistoryMenuMask(const char* name, Screen_man* man);

private:
    static const Key_row<Ids> key_rows[6];
};
