#include "vt_object_model/VtLogger.h"

#include <cstdio>

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
    // Up to three steps of 16, then one each of 8, 4 and 2, taken while more
    // than the step remains; one more space when more than 1 remains.
    static const int steps[] = {16, 16, 16, 8, 4, 2};
    int spaces = 0;
    int rest = indent;
    for (int step : steps) {
        if (rest > step) {
            spaces += step;
            rest -= step;
        }
    }
    if (rest > 1)
        spaces += 1;
    return spaces;
}

void VtLogger::printIndented(int spaces, const char* format, va_list args)
{
    char text[kMaxText + 1];
    formatText(text, format, args);
    std::printf("%*s%s\n", spaces, "", text);
}

void VtLogger::passToLine(const char* lineFormat, const char* format, va_list args)
{
    char text[kMaxText + 1];
    formatText(text, format, args);
    line(lineFormat, text);
}

void VtLogger::vprint(const char* format, va_list args)
{
    char text[kMaxText + 1];
    formatText(text, format, args);
    print("%s", text);
}

void VtLogger::trace(int indent, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    printIndented(indentWidth(indent), format, args);
    va_end(args);
}

void VtLogger::line(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    printIndented(0, format, args);
    va_end(args);
}

void VtLogger::print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    passToLine("%s\n", format, args);
    va_end(args);
}

void VtLogger::warning(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    passToLine("Warning: %s\n", format, args);
    va_end(args);
}

void VtLogger::error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    passToLine("Error: %s\n", format, args);
    va_end(args);
}
