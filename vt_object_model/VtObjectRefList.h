// Child list of a VT object: object IDs placed at positions relative to the
// parent.
#pragma once

#include "vt_object_model/VtEntryList.h"

#include <cstdint>

struct VtObjectRef {
    int32_t x;
    int32_t y;
    uint32_t oid;
    // From the process-wide counter shared with VtObjectListItem; the display
    // layer uses it to tell two placements of one object apart.
    uint32_t serial;

    VtObjectRef(uint32_t oid, int32_t x, int32_t y);
};

class VtObjectRefList : public VtEntryList<VtObjectRef> {
public:
    void append(VtObjectRef* entry) { appendGrowing(entry); }
    // Makes room for n more entries at once (used when the count is known).
    void reserveMore(uint32_t n) { grow(size() + n); }

    // Moves every entry of the object: by (x, y) when relative, else to (x, y).
    void moveObject(uint32_t oid, int32_t x, int32_t y, bool relative);
};

// Next serial of a child or object list entry; the first is 1.
uint32_t vtNextEntrySerial();
