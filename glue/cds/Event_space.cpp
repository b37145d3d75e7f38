#include "glue/cds/Event_space.h"

#include "util/Mspace.h"

namespace CDS {

void* Event_space_object::operator new(std::size_t size) noexcept
{
    return cds_event_space().malloc_for_new(uint32_t(size));
}

void Event_space_object::operator delete(void* block) noexcept { cds_event_space().free(block); }

std::size_t event_space_free() { return cds_event_space().usage().fordblks; }

} // namespace CDS
