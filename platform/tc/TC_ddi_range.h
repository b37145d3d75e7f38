// The values the data dictionary (ISO 11783-11) defines for the DDIs this
// implement describes: a value a task controller sets outside them is
// refused before it reaches the application.
#pragma once

#include "platform/tc/TC_attribute.h"

#include <cstdint>

namespace TC {

// Whether the dictionary defines the value for the DDI. A DDI the table does
// not list takes every value.
bool ddi_defines_value(ddi_t ddi, int32_t value);

} // namespace TC
