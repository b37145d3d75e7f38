#include "apps/sowvane/program_version.h"

// The build system passes the revision to this file alone, so that a new
// revision rebuilds nothing else.
#ifndef SOWVANE_BUILD_ID
#define SOWVANE_BUILD_ID "unknown"
#endif

const char* program_build()
{
    return SOWVANE_BUILD_ID;
}
