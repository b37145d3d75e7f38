#include "apps/sowvane/diagnostics/Trouble_code_counts.h"

#include "glue/diagnostics/Diagnostics.h"

unsigned Trouble_code_counts::count(unsigned short err_code) const
{
    const char* text = nullptr;
    unsigned short count = 0;
    if (!diagnostics || !diagnostics->get_error_info(err_code, text, count))
        return 0;
    return count > Diagnostics::Item::DM_COUNT_LIMIT ? Diagnostics::Item::DM_COUNT_LIMIT : count;
}
