// Object list of a VT object (soft key mask keys, input list elements): object
// IDs without positions. An entry may carry an observer of its object, held by
// the list's owner.
#pragma once

#include "vt_object_model/VtEntryList.h"

#include <cstdint>

class VtObject;
class VtObjectObserver;

class VtObjectListItem {
public:
    explicit VtObjectListItem(uint32_t oid);
    ~VtObjectListItem();
    VtObjectListItem(const VtObjectListItem&) = delete;
    VtObjectListItem& operator=(const VtObjectListItem&) = delete;

    // Replaces the entry's observer by a new one held by holder and naming
    // the entry's object.
    void attach(VtObject* holder);

    uint32_t oid;
    VtObjectObserver* observer = nullptr;
    uint32_t serial;
};

class VtObjectList : public VtEntryList<VtObjectListItem> {
public:
    void append(VtObjectListItem* entry) { appendGrowing(entry); }
    void reserveMore(uint32_t n) { grow(size() + n); }

    // Index of the first entry with the object, or -1.
    int indexOf(uint32_t oid) const;
    // Gives every entry an observer held by holder.
    void attachAll(VtObject* holder);
};
