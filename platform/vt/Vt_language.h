// The VT's language and units, as its Language command reports them, and the
// languages the working set knows.
#pragma once

#include "platform/iso/Iso_locale.h"

namespace VT {

class Object_pool;

// The locale the VT reported: decimal mark, time and date formats, units
// systems per quantity (0 metric, 1 imperial, 2 US, 3 no action) and the
// language.
struct Locale_info : public Iso::Locale {
    // True when the language is the two-letter code.
    bool operator==(const char* code) const { return language == code; }
    bool operator==(const Locale_info& o) const { return Iso::Locale::operator==(o); }
    bool operator!=(const Locale_info& o) const { return !(*this == o); }
};

// The working set's languages: index 0 English, 1 French.
class Language {
public:
    enum languages_t { ENGLISH = 0, FRENCH = 1, NUM_LANGUAGES = 2 };

    explicit Language(Object_pool* pool) : pool_(pool) {}

    // Makes the language current; false for an index out of range.
    bool set(languages_t lang);
    languages_t get() const { return current_; }

    // The index of a two-letter code ("en"), -1 when unknown or null.
    static int get_lang_from_code(const char* code);
    // The two-letter code of an index, "" out of range.
    static const char* get_lang_code(int lang);

private:
    Object_pool* pool_;
    languages_t current_ = ENGLISH;
};

} // namespace VT
