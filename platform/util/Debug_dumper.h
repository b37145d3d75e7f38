// Writers of named groups of named values, used to print data-store records,
// settings trees and memory-space usage.
#pragma once

#include <cstdio>

namespace Debug {

// The interface: open a group under a name (true to go on and write its
// contents, false to skip it), close the group under the same name, and write
// one named value given as text.
class Dumper {
public:
    virtual ~Dumper();
    virtual bool begin(const char* name) = 0;
    virtual void end(const char* name) = 0;
    virtual void value(const char* name, const char* text) = 0;
};

// Prints to a stdio stream, one line per group opening, value and group end,
// indented by two spaces per open group:
//     name {
//       field = text
//     }
// Groups nested deeper than max_depth are declined (begin returns false).
class Debug_dumper : public Dumper {
public:
    explicit Debug_dumper(FILE* out = stdout, const char* line_end = "\n", int max_depth = 32);

    bool begin(const char* name) override;
    void end(const char* name) override;
    void value(const char* name, const char* text) override;

    int depth() const { return depth_; }

private:
    void indent();

    FILE* out_;
    const char* line_end_;
    int max_depth_;
    int depth_ = 0;
};

} // namespace Debug
