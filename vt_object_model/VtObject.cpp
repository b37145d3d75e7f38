#include "vt_object_model/VtObject.h"

#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtPoolList.h"
#include "vt_object_model/terminal/VtDisplayElement.h"

#include <vector>

namespace {

uint32_t objectSerialCounter = 0;

const char* const typeNames[VT_OBJECT_TYPE_COUNT] = {
    "VtObjectTypeWorkingSet",        "VtObjectTypeDataMask",
    "VtObjectTypeAlarmMask",         "VtObjectTypeContainer",
    "VtObjectTypeSoftKeyMask",       "VtObjectTypeKey",
    "VtObjectTypeButton",            "VtObjectTypeInputFieldBoolean",
    "VtObjectTypeInputFieldString",  "VtObjectTypeInputFieldNumber",
    "VtObjectTypeInputFieldList",    "VtObjectTypeOutputFieldString",
    "VtObjectTypeOutputFieldNumber", "VtObjectTypeLine",
    "VtObjectTypeRectangle",         "VtObjectTypeEllipse",
    "VtObjectTypePolygon",           "VtObjectTypeMeter",
    "VtObjectTypeLinearBarGraph",    "VtObjectTypeArchedBarGraph",
    "VtObjectTypePictureGraphic",    "VtObjectTypeNumberVariable",
    "VtObjectTypeStringVariable",    "VtObjectTypeFontAttribute",
    "VtObjectTypeLineAttribute",     "VtObjectTypeFillAttribute",
    "VtObjectTypeInputAttribute",    "VtObjectTypePointer",
    "VtObjectTypeMacro",             "VtObjectTypeAuxiliaryFunction",
    "VtObjectTypeAuxiliaryInput",
};

} // namespace

VtObject::VtObject(uint32_t type, uint32_t oid)
    : type_(type), oid_(oid), serial_(++objectSerialCounter),
      displayLinks_(new VtDisplayElementList(VtDisplayElementList::kObjectLink))
{
}

VtObject::~VtObject()
{
    delete macros_;
    detachAll();
    delete displayLinks_;
    if (poolOwner_ != nullptr)
        poolOwner_->remove(this);
    // Observers held by a subclass's attributes are gone by now and have left
    // the chain; whatever still points here becomes unresolved.
    referrers_.clear();
}

uint32_t VtObject::getNumberOfMacros() const
{
    return macros_ == nullptr ? 0 : macros_->size();
}

void VtObject::setMacros(VtMacroRefList* macros)
{
    if (macros == macros_)
        return;
    delete macros_;
    macros_ = macros;
}

const char* VtObject::getTypeName(uint32_t type)
{
    if (type < VT_OBJECT_TYPE_COUNT)
        return typeNames[type];
    if (type == VtObjectTypeUnknown)
        return "VtObjectTypeUnknown";
    return "UNKNOWN";
}

bool VtObject::isInputObject(const VtObject* object)
{
    if (object == nullptr)
        return false;
    uint32_t type = object->getType();
    return type >= VtObjectTypeInputFieldBoolean && type <= VtObjectTypeInputFieldList;
}

void VtObject::resolveReferences(const VtObjectTable& table)
{
    for (VtObjectObserver* observer = observers_; observer != nullptr; observer = observer->nextInHolder_) {
        VtObject* target = table.getObject(observer->oid_);
        if (target != nullptr)
            target->attachObserver(observer);
    }
}

void VtObject::attachObserver(VtObjectObserver* observer)
{
    if (observer == nullptr || observer->target_ == this)
        return;
    if (observer->target_ != nullptr)
        observer->target_->detachObserver(observer);
    referrers_.append(observer);
    observer->target_ = this;
}

void VtObject::detachObserver(VtObjectObserver* observer)
{
    if (observer == nullptr || observer->target_ != this)
        return;
    referrers_.remove(observer);
    observer->target_ = nullptr;
}

void VtObject::linkDisplayElement(VtDisplayElement* element)
{
    if (element != nullptr)
        displayLinks_->append(element);
}

VtDisplayElement* VtObject::getDisplayElement() const
{
    return displayLinks_->first();
}

bool VtObject::hasDisplayElements() const
{
    return !displayLinks_->isEmpty();
}

void VtObject::detachAll()
{
    displayLinks_->removeAll();
}

void VtObject::notifyChanged()
{
    notifyChanged({this});
}

void VtObject::notifyChanged(const std::vector<VtObject*>& objects)
{
    // Walked with a stack of its own rather than by recursion: a received pool
    // can chain references deeper than the call stack holds, and can reach one
    // object along a number of paths that doubles with every level. Each
    // object is passed the change once, after the objects that refer to it;
    // an object that an earlier one's change reached is not walked again.
    struct Step {
        VtObject* object;
        VtObjectObserver* nextReferrer;
    };
    std::vector<Step> path;
    std::vector<VtObject*> reached;
    auto enter = [&](VtObject* object) {
        object->notifying_ = true;
        reached.push_back(object);
        path.push_back({object, object->referrers_.getHead()});
    };
    for (VtObject* changed : objects) {
        if (changed == nullptr || changed->notifying_)
            continue;
        enter(changed);
        while (!path.empty()) {
            if (VtObjectObserver* observer = path.back().nextReferrer) {
                path.back().nextReferrer = observer->nextReferrer_;
                VtObject* holder = observer->holder_;
                if (holder != nullptr && !holder->notifying_)
                    enter(holder);
                continue;
            }
            VtObject* object = path.back().object;
            path.pop_back();
            object->displayLinks_->markChanged();
        }
    }
    for (VtObject* object : reached)
        object->notifying_ = false;
}
