#include "vt_object_model/terminal/VtDisplayElementList.h"

#include "vt_object_model/terminal/VtDisplayElement.h"
#include "vt_object_model/terminal/VtDisplayElementCommand.h"

void VtDisplayElementList::append(VtDisplayElement* element)
{
    if (element == nullptr)
        return;
    VtDisplayLink& link = element->link(linkIndex_);
    if (link.list == this)
        return;
    if (link.list != nullptr)
        link.list->remove(element);
    link.list = this;
    link.prev = last_;
    link.next = nullptr;
    if (last_ != nullptr)
        last_->link(linkIndex_).next = element;
    else
        first_ = element;
    last_ = element;
}

void VtDisplayElementList::remove(VtDisplayElement* element)
{
    if (element == nullptr)
        return;
    VtDisplayLink& link = element->link(linkIndex_);
    if (link.list != this)
        return;
    if (link.prev != nullptr)
        link.prev->link(linkIndex_).next = link.next;
    else
        first_ = link.next;
    if (link.next != nullptr)
        link.next->link(linkIndex_).prev = link.prev;
    else
        last_ = link.prev;
    link = VtDisplayLink{};
}

bool VtDisplayElementList::contains(const VtDisplayElement* element) const
{
    return element != nullptr && element->link(linkIndex_).list == this;
}

void VtDisplayElementList::clear()
{
    VtDisplayElement* element = first_;
    while (element != nullptr) {
        VtDisplayElement* following = element->link(linkIndex_).next;
        element->link(linkIndex_) = VtDisplayLink{};
        element = following;
    }
    first_ = last_ = nullptr;
}

int VtDisplayElementList::count() const
{
    int n = 0;
    for (VtDisplayElement* e = first_; e != nullptr; e = e->link(linkIndex_).next)
        ++n;
    return n;
}

VtDisplayElement* VtDisplayElementList::next(const VtDisplayElement* element) const
{
    return contains(element) ? element->link(linkIndex_).next : nullptr;
}

VtDisplayElement* VtDisplayElementList::find(const VtDisplayElement* parent, uint32_t instance) const
{
    for (VtDisplayElement* e = first_; e != nullptr; e = e->link(linkIndex_).next)
        if (e->getParent() == parent && e->getInstance() == instance)
            return e;
    return nullptr;
}

int VtDisplayElementList::apply(VtDisplayElementCommand& command)
{
    int result = 0;
    VtDisplayElement* element = first_;
    while (element != nullptr) {
        // Fetched first: the command may take the element off the display.
        VtDisplayElement* following = element->link(linkIndex_).next;
        result = command.execute(element);
        if (result < 0)
            break;
        element = following;
    }
    return result;
}

void VtDisplayElementList::markChanged()
{
    for (VtDisplayElement* e = first_; e != nullptr; e = e->link(linkIndex_).next)
        e->markChanged(e->getObject());
}

void VtDisplayElementList::redraw()
{
    for (VtDisplayElement* e = first_; e != nullptr; e = e->link(linkIndex_).next)
        e->redraw();
}

void VtDisplayElementList::forceOut(VtDisplayElement* element)
{
    // Compared by address only: a back end may have deleted the element.
    for (VtDisplayElement* e = first_; e != nullptr; e = e->link(linkIndex_).next) {
        if (e == element) {
            remove(element);
            return;
        }
    }
}

void VtDisplayElementList::removeAll()
{
    while (VtDisplayElement* element = first_) {
        element->remove(this);
        forceOut(element);
    }
}

void VtDisplayElementList::removeChildrenOf(const VtDisplayElement* parent)
{
    bool removed = true;
    while (removed) {
        removed = false;
        for (VtDisplayElement* e = first_; e != nullptr; e = e->link(linkIndex_).next) {
            if (e->getParent() != parent)
                continue;
            e->remove(this);
            forceOut(e);
            removed = true;
            break;
        }
    }
}

void VtDisplayElementList::detachChildren()
{
    for (VtDisplayElement* e = first_; e != nullptr; e = e->link(linkIndex_).next)
        e->parent_ = nullptr;
}
