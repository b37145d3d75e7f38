// Value-to-text and text-to-value conversions of the typed items, used by the
// lookup trees, the settings leaves and the generated lookup classes to print
// and parse values.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace Debug {
class Dumper;
}

namespace Data_item_text_detail {

template <typename T> struct Traits;

template <> struct Traits<double> {
    static int print(char* buf, int size, double v) { return std::snprintf(buf, size, "%g", v); }
    static double parse(const char* s, char** end) { return std::strtod(s, end); }
};
template <> struct Traits<float> {
    static int print(char* buf, int size, float v) { return std::snprintf(buf, size, "%g", double(v)); }
    static float parse(const char* s, char** end) { return float(std::strtod(s, end)); }
};
template <> struct Traits<unsigned long> {
    static int print(char* buf, int size, unsigned long v) { return std::snprintf(buf, size, "%u", unsigned(v)); }
    static unsigned long parse(const char* s, char** end) { return std::strtoul(s, end, 0); }
};
template <> struct Traits<unsigned int> {
    static int print(char* buf, int size, unsigned int v) { return std::snprintf(buf, size, "%u", v); }
    static unsigned int parse(const char* s, char** end) { return unsigned(std::strtoul(s, end, 0)); }
};
template <> struct Traits<unsigned short> {
    static int print(char* buf, int size, unsigned short v) { return std::snprintf(buf, size, "%u", unsigned(v)); }
    static unsigned short parse(const char* s, char** end) { return static_cast<unsigned short>(std::strtoul(s, end, 0)); }
};
template <> struct Traits<unsigned char> {
    static int print(char* buf, int size, unsigned char v) { return std::snprintf(buf, size, "%u", unsigned(v)); }
    static unsigned char parse(const char* s, char** end) { return static_cast<unsigned char>(std::strtoul(s, end, 0)); }
};
template <> struct Traits<char> {
    static int print(char* buf, int size, char v)
    {
        return std::snprintf(buf, size, "%u", unsigned(static_cast<unsigned char>(v)));
    }
    static char parse(const char* s, char** end) { return static_cast<char>(std::strtoul(s, end, 0)); }
};
template <> struct Traits<long> {
    static int print(char* buf, int size, long v) { return std::snprintf(buf, size, "%d", int(v)); }
    static long parse(const char* s, char** end) { return std::strtol(s, end, 0); }
};
template <> struct Traits<int> {
    static int print(char* buf, int size, int v) { return std::snprintf(buf, size, "%d", v); }
    static int parse(const char* s, char** end) { return int(std::strtol(s, end, 0)); }
};
template <> struct Traits<short> {
    static int print(char* buf, int size, short v) { return std::snprintf(buf, size, "%d", int(v)); }
    static short parse(const char* s, char** end) { return static_cast<short>(std::strtol(s, end, 0)); }
};
template <> struct Traits<signed char> {
    static int print(char* buf, int size, signed char v) { return std::snprintf(buf, size, "%d", int(v)); }
    static signed char parse(const char* s, char** end) { return static_cast<signed char>(std::strtol(s, end, 0)); }
};
template <> struct Traits<unsigned long long> {
    static int print(char* buf, int size, unsigned long long v) { return std::snprintf(buf, size, "%llu", v); }
    static unsigned long long parse(const char* s, char** end) { return std::strtoull(s, end, 0); }
};
template <> struct Traits<long long> {
    static int print(char* buf, int size, long long v) { return std::snprintf(buf, size, "%lld", v); }
    static long long parse(const char* s, char** end) { return std::strtoll(s, end, 0); }
};
template <> struct Traits<bool> {
    static int print(char* buf, int size, bool v) { return std::snprintf(buf, size, "%s", v ? "true" : "false"); }
};

} // namespace Data_item_text_detail

// Writes a value as text.
template <typename T> class Data_item_stringify {
public:
    explicit Data_item_stringify(const T* value) : value_(value) {}
    // As snprintf: the length the whole text needs.
    int to_string(char* buf, int size) const
    {
        return Data_item_text_detail::Traits<T>::print(buf, size, *value_);
    }

private:
    const T* value_;
};

// Parses a value from text. The value receives the conversion's result even
// when nothing could be parsed; callers that must keep the old value parse into
// a temporary.
template <typename T> class Data_item_destringify {
public:
    explicit Data_item_destringify(T* value) : value_(value) {}
    // The position just past the consumed text, or null when nothing parsed.
    const char* from_string(const char* text)
    {
        if (!text)
            return nullptr;
        char* end = nullptr;
        *value_ = Data_item_text_detail::Traits<T>::parse(text, &end);
        return end == text ? nullptr : end;
    }

private:
    T* value_;
};

// A bool is decided by its first letter (F, N, T, Y in either case, one
// character consumed) or else read as a number, non-zero meaning true.
template <> class Data_item_destringify<bool> {
public:
    explicit Data_item_destringify(bool* value) : value_(value) {}
    const char* from_string(const char* text)
    {
        if (!text)
            return nullptr;
        switch (text[0]) {
        case 'F': case 'N': case 'f': case 'n':
            *value_ = false;
            return text + 1;
        case 'T': case 'Y': case 't': case 'y':
            *value_ = true;
            return text + 1;
        default:
            break;
        }
        char* end = nullptr;
        unsigned long number = std::strtoul(text, &end, 0);
        if (end == text)
            return nullptr;
        *value_ = number != 0;
        return end;
    }

private:
    bool* value_;
};

// Char arrays: text form "[" characters "]".
template <typename T> class Data_item_array_stringify;
template <typename T> class Data_item_array_destringify;

template <> class Data_item_array_stringify<char> {
public:
    Data_item_array_stringify(const char* value, int length) : value_(value), length_(length) {}
    // Writes the characters up to the first zero byte (or the length) in
    // double quotes: "text".
    int to_string(char* buf, int size) const;
    // Hands the quoted text to the dumper under the given name.
    void print(const char* name, Debug::Dumper& dumper) const;

private:
    const char* value_;
    int length_;
};

template <> class Data_item_array_destringify<char> {
public:
    Data_item_array_destringify(char* value, int length) : value_(value), length_(length) {}
    // Copies the bracketed characters into the array and fills the rest with
    // zero bytes. Null unless the text is exactly "[" up to length
    // characters "]" and nothing after it.
    const char* from_string(const char* text);

private:
    char* value_;
    int length_;
};
