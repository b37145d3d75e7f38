// Macro list of a VT object: (event ID, macro ID) pairs, with a fixed capacity
// set when the list is made.
#pragma once

#include "vt_object_model/VtEntryList.h"

#include <cstdint>

struct VtMacroRef {
    uint32_t eventId;
    uint32_t macroId;

    VtMacroRef(uint32_t event, uint32_t macro) : eventId(event), macroId(macro) {}
};

class VtMacroRefList : public VtEntryList<VtMacroRef> {
public:
    explicit VtMacroRefList(uint32_t capacity) { reset(capacity); }

    // Stores the entry when there is room; otherwise the entry is deleted and
    // false returned.
    bool append(VtMacroRef* entry) { return appendFixed(entry); }
};
