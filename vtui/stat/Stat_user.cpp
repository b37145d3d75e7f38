#include "vtui/stat/Stat_user.h"

#include "vtui/stat/Stat_num.h"

bool Stat_user::handle_stat_num_update(Stat_num* stat)
{
    return handle_stat_update(stat);
}

// The list, bool and string kinds come with their own files; until then no
// object of theirs exists, and each derives from Stat alone (same address).
bool Stat_user::handle_stat_list_update(Stat_list* stat)
{
    return handle_stat_update(reinterpret_cast<Stat*>(stat));
}
bool Stat_user::handle_stat_bool_update(Stat_bool* stat)
{
    return handle_stat_update(reinterpret_cast<Stat*>(stat));
}
bool Stat_user::handle_stat_string_update(Stat_string* stat)
{
    return handle_stat_update(reinterpret_cast<Stat*>(stat));
}
