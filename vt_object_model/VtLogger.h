// Trace sink of the VT object library: field traces of the stream writer and
// reader, and the terminal side's log lines. Prints to standard output; derive
// from it for another sink.
#pragma once

#include <cstdarg>

class VtLogger {
public:
    // Longest formatted text of one call; longer texts are cut.
    static constexpr int kMaxText = 2000;

    VtLogger() = default;
    virtual ~VtLogger() = default;

    // Prints the formatted text after an indentation of indent - 1 spaces
    // (at most 63), with a newline appended. Does not go through line().
    virtual void trace(int indent, const char* format, ...);
    // Prints the formatted text with a newline appended.
    virtual void line(const char* format, ...);
    // Passes the formatted text to line() as "%s\n".
    virtual void print(const char* format, ...);
    // "Warning: " and the formatted text, through line().
    virtual void warning(const char* format, ...);
    // "Error: " and the formatted text, through line().
    virtual void error(const char* format, ...);

    // Number of spaces trace() puts before its text for an indent.
    static int indentWidth(int indent);

    // Formats the arguments of a caller's own variadic log operation and
    // passes the text to print().
    void vprint(const char* format, va_list args);

protected:
    // Formats into out (kMaxText characters and the terminator).
    static void formatText(char* out, const char* format, va_list args);

private:
    // Prints the formatted text after that many spaces, with a newline.
    static void printIndented(int spaces, const char* format, va_list args);
    // Passes the formatted text to line() as the one argument of lineFormat.
    void passToLine(const char* lineFormat, const char* format, va_list args);
};
