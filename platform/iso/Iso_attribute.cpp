#include "platform/iso/Iso_attribute.h"

#include <algorithm>
#include <cstring>

namespace Iso {

void Attribute::print(std::ostream& out, int indent) const
{
    indent_to(out, indent);
    out << "Type: " << type_code() << "\tName: " << name_ << "\n";
}

int Attribute::serialise_piece(const unsigned char* bytes, int count, int offset,
                               unsigned char* buffer, int len)
{
    if (offset < 0 || offset >= count || len <= 0 || !buffer)
        return 0;
    int n = std::min(count - offset, len);
    std::memcpy(buffer, bytes + offset, static_cast<size_t>(n));
    return n;
}

int Attribute::deserialise_piece(unsigned char* bytes, int count, int offset,
                                 const unsigned char* buffer, int len)
{
    if (offset < 0 || offset >= count || len <= 0 || !buffer)
        return 0;
    int n = std::min(count - offset, len);
    std::memcpy(bytes + offset, buffer, static_cast<size_t>(n));
    return n;
}

void Attribute::indent_to(std::ostream& out, int indent)
{
    for (int i = 0; i < indent; ++i)
        out << "  ";
}

} // namespace Iso
