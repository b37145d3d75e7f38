#include "vtui/stat/Stat_dyn.h"

#include "util/Debug_print.h"

#include <cstdlib>

void Stat_dyn::check(bool ok, const char* source, const char* what)
{
    if (ok)
        return;
    Debug_print::bprint("ASSERT %s %s\n", source, what);
    std::abort();
}
