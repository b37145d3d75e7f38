#include "glue/quor/Quor_response.h"

#include <cctype>
#include <cstdio>
#include <cstring>

Quor_response::Quor_response(unsigned char* buffer, unsigned size) : Quor_message(buffer, size) {}

Quor_response::~Quor_response() = default;

bool Quor_response::get_response_status() const
{
    return get_id() == id_code('R', 'E');
}

const char* Quor_response::get_response_string() const
{
    unsigned len = get_msg_len();
    if (len == 0)
        return "";
    return get_string(HEADER_LEN, len + 3);
}

bool Quor_response::check_response_string(const char* prefix) const
{
    if (!prefix)
        return false;
    return strncmp(get_response_string(), prefix, strlen(prefix)) == 0;
}

bool Quor_response::set_msg_len(unsigned n)
{
    if (n > MAX_BODY_LEN || get_length() < HEADER_LEN || !get_buffer())
        return false;
    char text[8];
    snprintf(text, sizeof text, "%03x", n);
    memcpy(get_buffer() + 2, text, 3);
    return true;
}

char* Quor_response::strip_identifier(unsigned& len)
{
    len = 0;
    unsigned char* text = get_buffer();
    unsigned size = get_length();
    if (!text)
        return nullptr;
    // The text ends at its first 0 byte or at the end of the view.
    unsigned end = 0;
    while (end < size && text[end] != 0)
        end++;
    unsigned percents = 0;
    unsigned start = 0;
    while (start < end && percents < 2) {
        if (text[start] == '%')
            percents++;
        start++;
    }
    if (percents < 2)
        return nullptr;
    while (start < end && isspace(text[start]))
        start++;
    unsigned stop = end;
    while (stop > start && (isspace(text[stop - 1]) || iscntrl(text[stop - 1])))
        stop--;
    if (stop == start)
        return nullptr;
    len = stop - start;
    unsigned cap = get_capacity();
    set_view(text + start, size - start, cap == UNBOUNDED ? UNBOUNDED : cap - start);
    return reinterpret_cast<char*>(text + start);
}
