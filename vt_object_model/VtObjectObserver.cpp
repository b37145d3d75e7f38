#include "vt_object_model/VtObjectObserver.h"

#include "vt_object_model/VtObject.h"

VtObjectObserver::~VtObjectObserver()
{
    if (target_ != nullptr)
        target_->detachObserver(this);
    // An observer may die before its holder (an input list's element being
    // removed): it leaves the holder's chain so that no dangling link stays.
    if (holder_ != nullptr) {
        VtObjectObserver** link = &holder_->observers_;
        while (*link != nullptr && *link != this)
            link = &(*link)->nextInHolder_;
        if (*link == this)
            *link = nextInHolder_;
    }
}

void VtObjectObserver::attachToHolder(VtObject* holder)
{
    if (holder == nullptr || holder_ != nullptr)
        return;
    holder_ = holder;
    nextInHolder_ = holder->observers_;
    holder->observers_ = this;
}

void VtObjectObserver::setOid(uint32_t oid)
{
    if (oid == oid_)
        return;
    if (target_ != nullptr)
        target_->detachObserver(this);
    oid_ = oid;
}

void VtObjectObserver::notify()
{
    if (holder_ != nullptr)
        holder_->notifyChanged();
}

void VtObserverList::append(VtObjectObserver* observer)
{
    if (observer->target_ != nullptr)
        observer->target_->detachObserver(observer);
    observer->prevReferrer_ = tail_;
    observer->nextReferrer_ = nullptr;
    if (tail_ != nullptr)
        tail_->nextReferrer_ = observer;
    else
        head_ = observer;
    tail_ = observer;
}

void VtObserverList::remove(VtObjectObserver* observer)
{
    if (observer->prevReferrer_ != nullptr)
        observer->prevReferrer_->nextReferrer_ = observer->nextReferrer_;
    else if (head_ == observer)
        head_ = observer->nextReferrer_;
    else
        return; // not in this list
    if (observer->nextReferrer_ != nullptr)
        observer->nextReferrer_->prevReferrer_ = observer->prevReferrer_;
    else
        tail_ = observer->prevReferrer_;
    observer->nextReferrer_ = nullptr;
    observer->prevReferrer_ = nullptr;
}

void VtObserverList::clear()
{
    VtObjectObserver* observer = head_;
    while (observer != nullptr) {
        VtObjectObserver* next = observer->nextReferrer_;
        observer->nextReferrer_ = nullptr;
        observer->prevReferrer_ = nullptr;
        observer->target_ = nullptr;
        observer = next;
    }
    head_ = tail_ = nullptr;
}

void VtObserverList::notifyAll()
{
    for (VtObjectObserver* observer = head_; observer != nullptr; observer = observer->nextReferrer_)
        observer->notify();
}

int VtObserverList::count() const
{
    int n = 0;
    for (VtObjectObserver* observer = head_; observer != nullptr; observer = observer->nextReferrer_)
        ++n;
    return n;
}
