#include "platform/iso/Xml_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace Iso {

namespace {

std::string trimmed(const std::string& text)
{
    size_t a = text.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return std::string();
    size_t b = text.find_last_not_of(" \t\r\n");
    return text.substr(a, b - a + 1);
}

} // namespace

std::string xml_latin1(const XMLCh* text)
{
    std::string out;
    for (const XMLCh* p = text; p && *p; ++p)
        out.push_back(*p < 256 ? static_cast<char>(*p) : '?');
    return out;
}

bool text_to_int64(const std::string& text, long long& out)
{
    std::string t = trimmed(text);
    if (t.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(t.c_str(), &end, 0);
    if (errno || *end)
        return false;
    out = v;
    return true;
}

bool text_to_uint64(const std::string& text, unsigned long long& out)
{
    std::string t = trimmed(text);
    if (t.empty() || t[0] == '-')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(t.c_str(), &end, 0);
    if (errno || *end)
        return false;
    out = v;
    return true;
}

bool text_to_float(const std::string& text, float& out)
{
    std::string t = trimmed(text);
    if (t.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (errno || *end || !std::isfinite(v) || std::fabs(v) > 3.4e38)
        return false;
    out = float(v);
    return true;
}

} // namespace Iso
