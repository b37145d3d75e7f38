#include "glue/diner/Diner_selector.h"

#include <cstring>

Diner_selector::Diner_selector()
{
    diners_.create(&Diner_selector::descriptor_compare);
}

Diner_selector::~Diner_selector()
{
    // Diners that outlive the selector must not leave it later.
    Mutex::Protection guard(&mutex_);
    while (Diner* d = diners_.first()) {
        diners_.remove(d);
        d->selector_ = nullptr;
    }
}

int Diner_selector::descriptor_compare(const Diner* a, const Diner* b)
{
    const Diner::Descriptor& da = a->get_descriptor();
    const Diner::Descriptor& db = b->get_descriptor();
    if (da.id != db.id)
        return da.id < db.id ? -1 : 1;
    return std::strcmp(da.name, db.name);
}

int Diner_selector::register_diner(Diner* d)
{
    Mutex::Protection guard(&mutex_);
    return diners_.insert(d);
}

int Diner_selector::deregister_diner(const Diner* d)
{
    Mutex::Protection guard(&mutex_);
    int r = diners_.remove(d);
    // A Diner that leaves is no longer selected: never keep a pointer to it.
    if (r == 0 && selected_ == d)
        selected_ = nullptr;
    return r;
}

Diner* Diner_selector::operator[](int index)
{
    Mutex::Protection guard(&mutex_);
    return diners_[index];
}

int Diner_selector::num_diners()
{
    Mutex::Protection guard(&mutex_);
    return diners_.count();
}

int Diner_selector::get_descriptors(Diner::Descriptor* out, int max)
{
    Mutex::Protection guard(&mutex_);
    int n = 0;
    for (Diner* d = diners_.first(); d && n < max; d = diners_.next(d))
        out[n++] = d->get_descriptor();
    return n;
}

Diner* Diner_selector::get_selected()
{
    Mutex::Protection guard(&mutex_);
    return selected_;
}

int Diner_selector::select_locked(Diner* d)
{
    if (!d)
        return -1;
    if (d == selected_)
        return 0;
    if (selected_)
        selected_->stop();
    selected_ = d;
    d->start();
    return 0;
}

int Diner_selector::select_diner(int index)
{
    Mutex::Protection guard(&mutex_);
    return select_locked(diners_[index]);
}

int Diner_selector::select_diner(const Diner::Descriptor& descriptor)
{
    Mutex::Protection guard(&mutex_);
    key_.set_key(descriptor);
    return select_locked(diners_.find(&key_, BSTREE_EQUAL));
}
