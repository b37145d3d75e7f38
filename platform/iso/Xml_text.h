// Texts of the XML readers (pool specifications, device descriptions):
// xerces-c text in 8 bits and strict numbers from attribute texts.
#pragma once

#include <xercesc/util/XercesDefs.hpp>

#include <string>

namespace Iso {

// XML text as ISO 8859-1 bytes; characters above 255 become '?'.
std::string xml_latin1(const XMLCh* text);

// Number conversions of a whole text (blanks around it allowed; base
// detected: 0x hexadecimal, leading 0 octal); false, and `out` untouched,
// for empty text, trailing characters, a sign on an unsigned number, overflow
// or (floats) a value that is not finite or beyond float's range.
bool text_to_int64(const std::string& text, long long& out);
bool text_to_uint64(const std::string& text, unsigned long long& out);
bool text_to_float(const std::string& text, float& out);

} // namespace Iso
