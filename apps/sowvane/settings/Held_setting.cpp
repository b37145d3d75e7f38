#include "apps/sowvane/settings/Held_setting.h"

#include "glue/diner/Mutex.h"

namespace {

// The held settings of every tree, as a list through Held_setting::next_.
Mutex& list_mutex()
{
    static Mutex mutex;
    return mutex;
}
Held_setting* held_list = nullptr;

} // namespace

void Held_setting::lock_list() { list_mutex().lock(); }

void Held_setting::unlock_list() { list_mutex().unlock(); }

// Both under the list's lock.
void Held_setting::enlist()
{
    if (listed_)
        return;
    next_ = held_list;
    held_list = this;
    listed_ = true;
}

void Held_setting::delist()
{
    for (Held_setting** at = &held_list; *at != nullptr; at = &(*at)->next_) {
        if (*at == this) {
            *at = next_;
            break;
        }
    }
    next_ = nullptr;
    listed_ = false;
}

Held_setting::Saving::Saving(NV_store::NV_root& root) : root_(root)
{
    lock_list();
    root_.get_mutex().lock();
    for (Held_setting* h = held_list; h != nullptr; h = h->next_)
        if (h->item() != nullptr && h->item()->_get_root() == &root_)
            h->show_operator_value();
}

Held_setting::Saving::~Saving()
{
    for (Held_setting* h = held_list; h != nullptr; h = h->next_)
        if (h->item() != nullptr && h->item()->_get_root() == &root_)
            h->show_held_value();
    root_.get_mutex().unlock();
    unlock_list();
}
