#include "vt_object_model/VtString.h"

#include <cstring>

VtString::VtString(const char* text)
{
    assign(text);
}

VtString::VtString(const VtString& other)
{
    assign(other.text_);
}

VtString& VtString::operator=(const VtString& other)
{
    if (this != &other)
        assign(other.text_);
    return *this;
}

VtString::~VtString()
{
    delete[] text_;
}

void VtString::assign(const char* chars, size_t n)
{
    delete[] text_;
    text_ = nullptr;
    if (chars == nullptr)
        return;
    text_ = new char[n + 1];
    size_t copied = 0;
    while (copied < n && chars[copied] != '\0') {
        text_[copied] = chars[copied];
        ++copied;
    }
    // Characters after an early NUL stay blank rather than uninitialised.
    std::memset(text_ + copied, 0, n + 1 - copied);
}

void VtString::assign(const char* text)
{
    if (text == nullptr) {
        assign(nullptr, 0);
        return;
    }
    assign(text, std::strlen(text));
}

void VtString::truncate(size_t n)
{
    if (text_ != nullptr && std::strlen(text_) > n)
        text_[n] = '\0';
}

uint32_t VtString::length() const
{
    return text_ == nullptr ? 0 : uint32_t(std::strlen(text_));
}

bool VtString::operator==(const VtString& other) const
{
    const char* a = text_ ? text_ : "";
    const char* b = other.text_ ? other.text_ : "";
    return std::strcmp(a, b) == 0;
}
