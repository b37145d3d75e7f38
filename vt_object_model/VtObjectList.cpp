#include "vt_object_model/VtObjectList.h"

#include "vt_object_model/VtObjectObserver.h"
#include "vt_object_model/VtObjectRefList.h"

VtObjectListItem::VtObjectListItem(uint32_t oid_) : oid(oid_), serial(vtNextEntrySerial()) {}

VtObjectListItem::~VtObjectListItem()
{
    delete observer;
}

void VtObjectListItem::attach(VtObject* holder)
{
    delete observer;
    observer = new VtObjectObserver();
    observer->attachToHolder(holder);
    observer->setOid(oid);
}

int VtObjectList::indexOf(uint32_t oid) const
{
    for (uint32_t i = 0; i < size(); ++i)
        if (at(i)->oid == oid)
            return int(i);
    return -1;
}

void VtObjectList::attachAll(VtObject* holder)
{
    for (uint32_t i = 0; i < size(); ++i)
        at(i)->attach(holder);
}
