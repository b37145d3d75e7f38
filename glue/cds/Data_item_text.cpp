#include "glue/cds/Data_item_text.h"

#include "platform/util/Debug_dumper.h"

#include <string>

int Data_item_array_stringify<char>::to_string(char* buf, int size) const
{
    std::string text = "\"";
    for (int i = 0; i < length_ && value_[i] != '\0'; ++i)
        text += value_[i];
    text += '"';
    return std::snprintf(buf, size, "%s", text.c_str());
}

void Data_item_array_stringify<char>::print(const char* name, Debug::Dumper& dumper) const
{
    std::string text = "\"";
    for (int i = 0; i < length_ && value_[i] != '\0'; ++i)
        text += value_[i];
    text += '"';
    dumper.value(name, text.c_str());
}

const char* Data_item_array_destringify<char>::from_string(const char* text)
{
    if (!text || text[0] != '[')
        return nullptr;
    const char* p = text + 1;
    int copied = 0;
    while (copied < length_ && *p != ']' && *p != '\0')
        value_[copied++] = *p++;
    for (int i = copied; i < length_; ++i)
        value_[i] = '\0';
    if (*p != ']')
        return nullptr;
    ++p;
    return *p == '\0' ? p : nullptr;
}
