#include "apps/sowvane/settings/Save_schedule.h"

void Save_schedule::changed(const Atime& now)
{
    if (!pending_)
        first_ = now;
    last_ = now;
    pending_ = true;
}

Atime Save_schedule::deadline() const
{
    const Atime quiet = last_ + QUIET_MS;
    const Atime latest = first_ + LATEST_MS;
    return quiet < latest ? quiet : latest;
}
