// How many bytes an item's value or structure text takes in the remote
// encoding, measured by writing it into a window that drops every byte.
#pragma once

#include "glue/cds/Data_item.h"
#include "glue/cds/Send_buffer.h"

#include <climits>

namespace CDS {
namespace Remote {

// The value from the resume id on (0: the whole value).
inline int serialised_size(Data_item& item, unsigned short resume_id)
{
    char sink;
    Send_buffer counter(&sink, INT_MAX, 1);
    item.serialise(counter, resume_id);
    return INT_MAX - counter.get_skip();
}

inline int structure_size(Data_item& item, int depth)
{
    char sink;
    Send_buffer counter(&sink, INT_MAX, 1);
    item.serialise_structure(counter, depth);
    return INT_MAX - counter.get_skip();
}

} // namespace Remote
} // namespace CDS
