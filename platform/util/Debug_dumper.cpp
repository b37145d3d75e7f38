#include "platform/util/Debug_dumper.h"

namespace Debug {

Dumper::~Dumper() = default;

Debug_dumper::Debug_dumper(FILE* out, const char* line_end, int max_depth)
    : out_(out), line_end_(line_end ? line_end : "\n"), max_depth_(max_depth)
{
}

void Debug_dumper::indent()
{
    for (int i = 0; i < depth_; ++i) {
        std::fputs("  ", out_);
    }
}

bool Debug_dumper::begin(const char* name)
{
    if (out_ == nullptr || depth_ >= max_depth_) {
        return false;
    }
    indent();
    std::fprintf(out_, "%s {%s", name ? name : "", line_end_);
    ++depth_;
    return true;
}

void Debug_dumper::end(const char* /*name*/)
{
    if (out_ == nullptr || depth_ == 0) {
        return;
    }
    --depth_;
    indent();
    std::fprintf(out_, "}%s", line_end_);
}

void Debug_dumper::value(const char* name, const char* text)
{
    if (out_ == nullptr) {
        return;
    }
    indent();
    std::fprintf(out_, "%s = %s%s", name ? name : "", text ? text : "", line_end_);
}

} // namespace Debug
