#include "platform/vt/Upload_bar_progress.h"

#include "platform/vt/Vt_objects.h"

namespace VT {

void Upload_bar_progress::set_progress(uint32_t done, uint32_t total)
{
    int percent = total == 0 || done >= total ? 100 : int(uint64_t(done) * 100 / total);
    if (percent == percent_)
        return;
    percent_ = percent;
    if (var_)
        var_->set_value(unsigned(percent));
}

} // namespace VT
