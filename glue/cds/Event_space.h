// The "cds_event" memory space: the fixed region (CDS_EVENT_SPACE_BYTES,
// util/Mspace.h) from which every CDS change registration is allocated, never
// the process heap. Objects derived from Event_space_object are created
// there; `new` gives null when the space is exhausted.
#pragma once

#include <cstddef>

namespace CDS {

class Event_space_object {
public:
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;
};

// Bytes still free in the space (for tests and usage prints).
std::size_t event_space_free();

} // namespace CDS
