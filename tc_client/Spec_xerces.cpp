#include "tc_client/DOM_xerces_spec_man.h"

#include "platform/iso/Xml_text.h"

#include "glue/quor/Quor_message.h"

namespace Spec_xerces {

namespace {

bool is_octal(char c) { return c >= '0' && c <= '7'; }

int hex_value(char c) { return Quor_message::hex_value(static_cast<unsigned char>(c)); }

// The character of the escape starting at raw[i] (a backslash) and the
// characters it uses; 0 when it is no escape of ours.
int escape_at(const std::string& raw, size_t i, size_t& used)
{
    if (i + 1 >= raw.size())
        return 0;
    char c = raw[i + 1];
    used = 2;
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 'b':
        return '\b';
    case 'x':
        if (i + 3 < raw.size() && hex_value(raw[i + 2]) >= 0 && hex_value(raw[i + 3]) >= 0) {
            used = 4;
            return hex_value(raw[i + 2]) * 16 + hex_value(raw[i + 3]);
        }
        return 0;
    case '0': {
        int v = 0;
        size_t j = i + 2;
        while (j < raw.size() && j < i + 5 && is_octal(raw[j]))
            v = v * 8 + (raw[j++] - '0');
        used = j - i;
        return v & 0xFF;
    }
    default:
        return 0;
    }
}

} // namespace

std::string convert_text(const XMLCh* text)
{
    const std::string raw = Iso::xml_latin1(text);
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        size_t used = 1;
        int c = raw[i] == '\\' ? escape_at(raw, i, used) : 0;
        if (c) {
            out += static_cast<char>(c);
            i += used;
        } else {
            out += raw[i++];
        }
    }
    return out;
}

bool name_matches(const char* pattern, const char* name)
{
    if (!name || name[0] == '#')
        return false;
    if (!pattern || std::strcmp(pattern, "*") == 0)
        return true;
    if (pattern[0] == '!')
        return !name_matches(pattern + 1, name);
    if (pattern[0] == '\\')
        return std::strcmp(pattern + 1, name) == 0;
    const char* star = std::strchr(pattern, '*');
    if (star)
        return std::strncmp(pattern, name, size_t(star - pattern)) == 0;
    return std::strcmp(pattern, name) == 0;
}

std::string node_name(const xercesc::DOMNode* node)
{
    return node ? convert_text(node->getNodeName()) : std::string();
}

void Error_handler::report(const char* kind, const xercesc::SAXParseException& e)
{
    std::fprintf(stderr, "\n%s at (file \"%s\", line %llu, char %llu): %s\n", kind,
                 convert_text(e.getSystemId()).c_str(),
                 static_cast<unsigned long long>(e.getLineNumber()),
                 static_cast<unsigned long long>(e.getColumnNumber()),
                 convert_text(e.getMessage()).c_str());
}

void Error_handler::warning(const xercesc::SAXParseException& e)
{
    report("Warning", e);
    throw e;
}

void Error_handler::error(const xercesc::SAXParseException& e)
{
    report("Error", e);
    throw e;
}

void Error_handler::fatalError(const xercesc::SAXParseException& e)
{
    report("Fatal Error", e);
    throw e;
}

} // namespace Spec_xerces
