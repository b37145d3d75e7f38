#include "vt_object_model/VtLogger.h"

#include <cstdio>
#include <cstring>

void VtLogger::formatText(char* out, const char* format, va_list args)
{
    if (format == nullptr) {
        out[0] = '\0';
        return;
    }
    std::vsnprintf(out, kMaxText + 1, format, args);
}

int VtLogger::indentWidth(int indent)
{
    int spaces = 0;
    int rest = indent;
    for (int i = 0; i < 3; ++i) {
        if (rest > 16) {
            spaces += 16;
            rest -= 16;
        }
    }
    if (rest > 8) {
        spaces += 8;
        rest -= 8;
    }
    if (rest > 4) {
        spaces += 4;
        rest -= 4;
    }
    if (rest > 2) {
        spaces += 2;
        rest -= 2;
    }
    if (rest > 1)
        spaces += 1;
    return spaces;
}

void VtLogger::trace(int indent, const char* format, ...)
{
    char text[kMaxText + 1];
    va_list args;
    va_start(args, format);
    formatText(text, format, args);
    va_end(args);
    std::printf("%*s%s\n", indentWidth(indent), "", text);
}

void VtLogger::line(const char* format, ...)
{
    char text[kMaxText + 1];
    va_list args;
    va_start(args, format);
    formatText(text, format, args);
    va_end(args);
    std::printf("%s\n", text);
}

void VtLogger::print(const char* format, ...)
{
    char text[kMaxText + 1];
    va_list args;
    va_start(args, format);
    formatText(text, format, args);
    va_end(args);
    line("%s\n", text);
}

void VtLogger::warning(const char* format, ...)
{
    char text[kMaxText + 1];
    va_list args;
    va_start(args, format);
    formatText(text, format, args);
    va_end(args);
    line("Warning: %s\n", text);
}

void VtLogger::error(const char* format, ...)
{
    char text[kMaxText + 1];
    va_list args;
    va_start(args, format);
    formatText(text, format, args);
    va_end(args);
    line("Error: %s\n", text);
}
