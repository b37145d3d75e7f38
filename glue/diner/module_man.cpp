#include "glue/diner/module_man.h"

#include <climits>

const waiter_event module_man::EVENT_ANONYMOUS(1, 0, 1);

module_man::module_man()
{
    for (auto& node : pool_)
        free_.push(&node);
    initialised_ = true;
}

module_man::~module_man()
{
    Mutex::Protection guard(&mutex_);
    initialised_ = false;
}

int module_man::init_module_array(short* ids, int n, bool extended)
{
    if (!ids || n < 0)
        return -1;
    Mutex::Protection guard(&mutex_);
    if (extended) {
        if (extended_count_ + n > -SHRT_MIN)
            return -1;
        for (int i = 0; i < n; ++i)
            ids[i] = static_cast<short>(-(++extended_count_));
    } else {
        if (last_plain_id_ + n > SHRT_MAX)
            return -1;
        for (int i = 0; i < n; ++i)
            ids[i] = static_cast<short>(++last_plain_id_);
    }
    return 0;
}

waiter_event_node* module_man::get_blank_event()
{
    Mutex::Protection guard(&mutex_);
    return free_.pop();
}

void module_man::return_used_event(waiter_event_node* node)
{
    if (!node)
        return;
    Mutex::Protection guard(&mutex_);
    if (!initialised_)
        return;
    node->event.clear_extended_data();
    free_.push(node);
}

int module_man::num_free_events()
{
    Mutex::Protection guard(&mutex_);
    return free_.count();
}
