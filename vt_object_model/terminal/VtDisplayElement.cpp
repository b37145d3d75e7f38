#include "vt_object_model/terminal/VtDisplayElement.h"

#include "vt_object_model/VtObject.h"
#include "vt_object_model/terminal/VtCommandProcessor.h"
#include "vt_object_model/terminal/VtDisplayInterface.h"

VtDisplayElement::VtDisplayElement(VtObject* object, VtDisplayElement* parent) : object_(object), parent_(parent)
{
    if (parent != nullptr) {
        display_ = parent->display_;
        parent->children_.append(this);
    }
}

VtDisplayElement::~VtDisplayElement()
{
    children_.detachChildren();
    children_.clear();
    for (VtDisplayLink* link : {&objectLink_, &changedLink_, &childLink_})
        if (link->list != nullptr)
            link->list->remove(this);
    if (display_ != nullptr && display_->getSelectedElement() == this)
        display_->setSelectedElement(nullptr);
}

VtDisplayLink& VtDisplayElement::link(int index)
{
    switch (index) {
    case VtDisplayElementList::kObjectLink: return objectLink_;
    case VtDisplayElementList::kChangedLink: return changedLink_;
    default: return childLink_;
    }
}

const VtDisplayLink& VtDisplayElement::link(int index) const
{
    return const_cast<VtDisplayElement*>(this)->link(index);
}

void VtDisplayElement::markChanged(VtObject*)
{
    if (display_ != nullptr)
        display_->addChangedElement(this);
}

void VtDisplayElement::close()
{
    if (!open_)
        return;
    open_ = false;
    if (display_ != nullptr)
        display_->setSelectedElement(nullptr);
}

uint32_t VtDisplayElement::getObjectType() const
{
    return object_ != nullptr ? object_->getType() : uint32_t(VtObjectTypeUnknown);
}

uint32_t VtDisplayElement::getOid() const
{
    return object_ != nullptr ? object_->getOid() : VT_NULL_ID;
}

uint32_t VtDisplayElement::getParentOid() const
{
    return parent_ != nullptr ? parent_->getOid() : VT_NULL_ID;
}

void VtDisplayElement::open()
{
    open_ = true;
    if (display_ != nullptr)
        display_->setSelectedElement(this);
}

void VtDisplayElement::deselect()
{
    open_ = false;
    if (display_ != nullptr)
        display_->setSelectedElement(nullptr);
}

namespace {
VtCommandProcessor* processorOf(VtDisplayInterface* display)
{
    return display != nullptr ? display->getProcessor() : nullptr;
}
} // namespace

void VtDisplayElement::sendSelect()
{
    if (VtCommandProcessor* processor = processorOf(display_))
        processor->sendSelectInputObject(getOid(), true);
}

void VtDisplayElement::sendDeselect()
{
    if (VtCommandProcessor* processor = processorOf(display_))
        processor->sendSelectInputObject(getOid(), false);
}

void VtDisplayElement::escape()
{
    if (open_ && !editing_) {
        if (VtCommandProcessor* processor = processorOf(display_))
            processor->sendEsc(getOid(), 0);
    }
    deselect();
}

void VtDisplayElement::activate(uint32_t activationCode, uint32_t keyCode)
{
    VtCommandProcessor* processor = processorOf(display_);
    if (processor == nullptr)
        return;
    uint32_t mask = display_->getActiveMaskId();
    if (getObjectType() == VtObjectTypeKey)
        processor->sendSoftKeyActivation(activationCode, getOid(), mask, keyCode);
    else if (getObjectType() == VtObjectTypeButton)
        processor->sendButtonActivation(activationCode, getOid(), mask, keyCode);
}

bool VtDisplayElement::isDescendantOf(const VtDisplayElement* ancestor) const
{
    for (const VtDisplayElement* e = parent_; e != nullptr; e = e->parent_)
        if (e == ancestor)
            return true;
    return false;
}
