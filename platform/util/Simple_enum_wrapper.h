// Text names of a small enumeration, from a table of names.
#pragma once

class Simple_enum_wrapper_ {
public:
    // names[0] belongs to first_value, names[1] to first_value + 1, ...;
    // values outside the table give default_text (or the first name when
    // none is given).
    Simple_enum_wrapper_(const char* const* names, int count, int first_value,
                         const char* default_text = nullptr)
        : names_(names), count_(count), first_(first_value),
          default_(default_text ? default_text : (names && count > 0 ? names[0] : ""))
    {
    }

    const char* to_string(int value) const
    {
        int i = value - first_;
        if (!names_ || i < 0 || i >= count_ || !names_[i])
            return default_;
        return names_[i];
    }

    int count() const { return count_; }

private:
    const char* const* names_;
    int count_;
    int first_;
    const char* default_;
};
