// A VtLogger that keeps the lines it receives through line() (and so the
// output of print, warning and error) instead of printing them.
#pragma once

#include "vt_object_model/VtLogger.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

class CapturingVtLogger : public VtLogger {
public:
    void line(const char* format, ...) override
    {
        char text[kMaxText + 1];
        va_list args;
        va_start(args, format);
        formatText(text, format, args);
        va_end(args);
        lines.push_back(text);
    }

    std::string all() const
    {
        std::string out;
        for (const auto& l : lines)
            out += l;
        return out;
    }

    std::vector<std::string> lines;
};
