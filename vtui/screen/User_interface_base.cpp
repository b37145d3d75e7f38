#include "vtui/screen/User_interface_base.h"

User_interface_base::User_interface_base(module_man* man)
{
    Diner::init(*man, nullptr, Diner::Descriptor("UI00", 0), PRIORITY, STACK_SIZE, true, false);
}
