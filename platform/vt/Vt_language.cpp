#include "platform/vt/Vt_language.h"

#include <cstring>

namespace VT {

namespace {
const char* const codes[Language::NUM_LANGUAGES] = {"en", "fr"};
}

bool Language::set(languages_t lang)
{
    if (lang < 0 || lang >= NUM_LANGUAGES)
        return false;
    current_ = lang;
    return true;
}

int Language::get_lang_from_code(const char* code)
{
    if (!code)
        return -1;
    for (int i = 0; i < NUM_LANGUAGES; ++i)
        if (std::strncmp(code, codes[i], 2) == 0 && code[0] && code[1])
            return i;
    return -1;
}

const char* Language::get_lang_code(int lang)
{
    return lang >= 0 && lang < NUM_LANGUAGES ? codes[lang] : "";
}

} // namespace VT
