#include "vt_object_model/VtObjectRefList.h"

namespace {
uint32_t entrySerialCounter = 0;
}

uint32_t vtNextEntrySerial()
{
    return ++entrySerialCounter;
}

VtObjectRef::VtObjectRef(uint32_t oid_, int32_t x_, int32_t y_)
    : x(x_), y(y_), oid(oid_), serial(vtNextEntrySerial())
{
}

void VtObjectRefList::moveObject(uint32_t oid, int32_t x, int32_t y, bool relative)
{
    for (uint32_t i = 0; i < size(); ++i) {
        VtObjectRef* ref = at(i);
        if (ref->oid != oid)
            continue;
        if (relative) {
            ref->x += x;
            ref->y += y;
        } else {
            ref->x = x;
            ref->y = y;
        }
    }
}
