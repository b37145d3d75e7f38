// A debug log writer: each line carries the milliseconds since the logger
// was made and since its previous line. Writes to standard error until a
// file is opened.
#pragma once

#include "util/Atime.h"

#include <cstdarg>
#include <cstdio>
#include <string>

class Logger {
public:
    // Output to standard error; name (may be null) prefixes each line and is
    // the default file name.
    explicit Logger(const char* name);
    virtual ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // "<name>: <text> at time <ms> (<ms> since previous)\n", flushed.
    virtual void vLog(const char* fmt, va_list args);
    void Log(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Levels above 16 write nothing; others also go to standard output,
    // followed there by an empty line.
    void Log(int level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

    // Opens path for writing (the name clears); on failure, or without a
    // path, standard error.
    void Open(const char* path);
    // Opens the file of the logger's name.
    void Open();
    // Uses f (and name, when given); without f, Open().
    void Open(FILE* f, const char* name);

    FILE* file() const { return out_; }
    const std::string& name() const { return name_; }

private:
    void close_current();

    std::string name_;
    FILE* out_ = stderr;
    Atime start_;
    Atime previous_;
};
