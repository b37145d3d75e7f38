#include "vtui/stat/Stat_user.h"

#include "vtui/stat/Stat_bool.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_num.h"
#include "vtui/stat/Stat_string.h"

bool Stat_user::handle_stat_num_update(Stat_num* stat)
{
    return handle_stat_update(stat);
}

bool Stat_user::handle_stat_list_update(Stat_list* stat)
{
    return handle_stat_update(stat);
}
bool Stat_user::handle_stat_bool_update(Stat_bool* stat)
{
    return handle_stat_update(stat);
}
bool Stat_user::handle_stat_string_update(Stat_string* stat)
{
    return handle_stat_update(stat);
}
