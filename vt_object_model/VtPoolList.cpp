#include "vt_object_model/VtPoolList.h"

#include "vt_object_model/VtObject.h"

void VtPoolList::append(VtObject* object)
{
    if (object == nullptr || object->poolOwner_ != nullptr)
        return;
    object->poolOwner_ = this;
    object->poolPrev_ = tail_;
    object->poolNext_ = nullptr;
    if (tail_ != nullptr)
        tail_->poolNext_ = object;
    else
        head_ = object;
    tail_ = object;
}

void VtPoolList::remove(VtObject* object)
{
    if (object == nullptr || object->poolOwner_ != this)
        return;
    if (object->poolPrev_ != nullptr)
        object->poolPrev_->poolNext_ = object->poolNext_;
    else
        head_ = object->poolNext_;
    if (object->poolNext_ != nullptr)
        object->poolNext_->poolPrev_ = object->poolPrev_;
    else
        tail_ = object->poolPrev_;
    object->poolNext_ = object->poolPrev_ = nullptr;
    object->poolOwner_ = nullptr;
}

void VtPoolList::clear()
{
    VtObject* object = head_;
    while (object != nullptr) {
        VtObject* next = object->poolNext_;
        object->poolNext_ = object->poolPrev_ = nullptr;
        object->poolOwner_ = nullptr;
        object = next;
    }
    head_ = tail_ = nullptr;
}

int VtPoolList::count() const
{
    int n = 0;
    for (VtObject* object = head_; object != nullptr; object = object->poolNext_)
        ++n;
    return n;
}
