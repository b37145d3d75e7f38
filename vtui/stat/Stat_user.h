// The receiver of the value changes that stats report after an operator's
// edit. The kind handlers forward to handle_stat_update unless overridden.
#pragma once

class Stat;
class Stat_num;
class Stat_list;
class Stat_bool;
class Stat_string;

class Stat_user {
public:
    virtual ~Stat_user() = default;
    virtual bool handle_stat_update(Stat* stat) { return false; }
    virtual bool handle_stat_num_update(Stat_num* stat);
    virtual bool handle_stat_list_update(Stat_list* stat);
    virtual bool handle_stat_bool_update(Stat_bool* stat);
    virtual bool handle_stat_string_update(Stat_string* stat);
};
