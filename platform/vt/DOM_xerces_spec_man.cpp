#include "platform/vt/DOM_xerces_spec_man.h"

#include "platform/iso/Local_entity_resolver.h"
#include "platform/iso/Xerces_lifetime.h"
#include "platform/iso/Xml_text.h"
#include "platform/vt/Object_pool.h"
#include "platform/vt/Pool_spec_fields.h"

#include "vt_object_model/VtMessageWriter.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

using namespace xercesc;

namespace VT {

namespace {

// XML text in ISO 8859-1, the character set of VT strings.
std::string latin1(const XMLCh* text) { return Iso::xml_latin1(text); }

struct Xml_name {
    XMLCh* s;
    explicit Xml_name(const char* name) : s(XMLString::transcode(name)) {}
    ~Xml_name() { XMLString::release(&s); }
};

bool has_attr(const DOMElement* e, const char* name)
{
    Xml_name n(name);
    return e->hasAttribute(n.s);
}

std::string attr(const DOMElement* e, const char* name)
{
    Xml_name n(name);
    return latin1(e->getAttribute(n.s));
}

class Error_collector : public ErrorHandler {
public:
    Error_collector(const char* path, int max) : path_(path), max_(max) {}
    void warning(const SAXParseException&) override {}
    void error(const SAXParseException& e) override { record(e); }
    void fatalError(const SAXParseException& e) override { record(e); }
    void resetErrors() override { count = 0; }

    int count = 0;
    std::string first;

private:
    void record(const SAXParseException& e)
    {
        char line[400];
        std::snprintf(line, sizeof line, "%s:%llu:%llu: %s", path_, (unsigned long long)e.getLineNumber(),
                      (unsigned long long)e.getColumnNumber(), latin1(e.getMessage()).c_str());
        if (count < max_)
            std::fprintf(stderr, "%s\n", line);
        if (count == 0)
            first = line;
        ++count;
    }
    const char* path_;
    int max_;
};

bool parse_unsigned(const std::string& s, unsigned long long max, unsigned long long& out)
{
    unsigned long long v = 0;
    if (!Iso::text_to_uint64(s, v) || v > max)
        return false;
    out = v;
    return true;
}

bool parse_signed(const std::string& s, long long& out)
{
    long long v = 0;
    if (!Iso::text_to_int64(s, v) || v < INT32_MIN || v > INT32_MAX)
        return false;
    out = v;
    return true;
}

bool parse_hex(const std::string& s, std::vector<uint8_t>& out)
{
    int nibble = -1;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0)
            return false;
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(uint8_t(nibble << 4 | v));
            nibble = -1;
        }
    }
    return nibble < 0;
}

// The child elements of one object, by kind.
struct Object_lists {
    std::vector<const DOMElement*> children, items, macros, points, languages;
    std::vector<uint8_t> data;
};

// Room for the largest record body of one object.
constexpr uint32_t MAX_BODY_BYTES = 300000;

// Builds one object's record body from its element and the type's rows, into
// the writer (emptied first), which the objects of a load share.
class Body_builder {
public:
    Body_builder(const DOMElement* e, const std::map<std::string, unsigned>& names,
                 const unsigned char* colour_map, VtMessageWriter& writer)
        : e_(e), names_(names), colour_map_(colour_map), w_(writer)
    {
        w_.reset();
    }

    bool build(const Spec_field* rows, std::string& err)
    {
        if (!collect_lists(err))
            return false;
        for (const Spec_field* f = rows; f->kind != F_END; ++f)
            if (!field(*f, err))
                return false;
        if (w_.hasFailed()) {
            err = "object too large";
            return false;
        }
        return true;
    }
    const uint8_t* data() const { return w_.getData(); }
    uint32_t length() const { return w_.getLength(); }

private:
    bool collect_lists(std::string& err)
    {
        for (DOMNode* n = e_->getFirstChild(); n; n = n->getNextSibling()) {
            if (n->getNodeType() != DOMNode::ELEMENT_NODE)
                continue;
            auto* c = static_cast<const DOMElement*>(n);
            std::string tag = latin1(c->getTagName());
            if (tag == "child")
                lists_.children.push_back(c);
            else if (tag == "item")
                lists_.items.push_back(c);
            else if (tag == "macro_ref")
                lists_.macros.push_back(c);
            else if (tag == "point")
                lists_.points.push_back(c);
            else if (tag == "language")
                lists_.languages.push_back(c);
            else if (tag == "data" && !parse_hex(latin1(c->getTextContent()), lists_.data)) {
                err = "data is not hexadecimal bytes";
                return false;
            }
        }
        return true;
    }

    bool number(const DOMElement* e, const char* name, const char* fallback, unsigned long long max,
                unsigned long long& v, std::string& err)
    {
        std::string s = has_attr(e, name) ? attr(e, name) : fallback ? fallback : "0";
        if (!parse_unsigned(s, max, v)) {
            err = std::string("attribute ") + name + " \"" + s + "\" is not a number in range";
            return false;
        }
        return true;
    }

    bool reference(const DOMElement* e, const char* name, unsigned& id, std::string& err)
    {
        std::string s = has_attr(e, name) ? attr(e, name) : "";
        if (s.empty()) {
            id = Object_pool::NULL_ID;
            return true;
        }
        unsigned long long v;
        if (parse_unsigned(s, 65535, v)) {
            id = unsigned(v);
            return true;
        }
        auto it = names_.find(s);
        if (it == names_.end()) {
            err = std::string("attribute ") + name + " names no object: \"" + s + "\"";
            return false;
        }
        id = it->second;
        return true;
    }

    // Writes a list's count in one byte (or two with `wide`).
    bool count(size_t n, const char* what, std::string& err, bool wide = false)
    {
        if (n > (wide ? 65535u : 255u)) {
            err = std::string("too many ") + what;
            return false;
        }
        if (wide)
            w_.writeUShort(unsigned(n), nullptr);
        else
            w_.writeByte(unsigned(n), nullptr);
        return true;
    }

    bool text(const Spec_field& f, size_t max, std::string& err)
    {
        std::string s = has_attr(e_, f.name) ? attr(e_, f.name) : f.fallback;
        if (has_attr(e_, "length")) {
            unsigned long long len;
            if (!number(e_, "length", nullptr, max, len, err))
                return false;
            // A text longer than its object is cut to the object's length.
            s.resize(size_t(len), ' ');
        } else if (s.size() > max) {
            s.resize(max);
        }
        if (max == 255)
            w_.writeByte(unsigned(s.size()), nullptr);
        else
            w_.writeUShort(unsigned(s.size()), nullptr);
        if (!s.empty())
            w_.writeData(reinterpret_cast<const uint8_t*>(s.data()), uint32_t(s.size()), nullptr);
        return true;
    }

    bool field(const Spec_field& f, std::string& err)
    {
        unsigned long long v = 0;
        unsigned id = 0;
        switch (f.kind) {
        case F_U8:
            if (!number(e_, f.name, f.fallback, 255, v, err))
                return false;
            w_.writeByte(unsigned(v), nullptr);
            return true;
        case F_COLOUR:
            if (!number(e_, f.name, f.fallback, 255, v, err))
                return false;
            w_.writeByte(colour_map_ ? colour_map_[v] : unsigned(v), nullptr);
            return true;
        case F_U16:
            if (!number(e_, f.name, f.fallback, 65535, v, err))
                return false;
            w_.writeUShort(unsigned(v), nullptr);
            return true;
        case F_U32:
            if (!number(e_, f.name, f.fallback, 0xFFFFFFFFull, v, err))
                return false;
            w_.writeUInt(uint32_t(v), nullptr);
            return true;
        case F_I32: {
            long long s;
            std::string t = has_attr(e_, f.name) ? attr(e_, f.name) : f.fallback;
            if (!parse_signed(t, s)) {
                err = std::string("attribute ") + f.name + " is not a 32-bit number";
                return false;
            }
            w_.writeSInt(int32_t(s), nullptr);
            return true;
        }
        case F_FLOAT: {
            std::string t = has_attr(e_, f.name) ? attr(e_, f.name) : f.fallback;
            float d = 0;
            if (!Iso::text_to_float(t, d)) {
                err = std::string("attribute ") + f.name + " is not a number";
                return false;
            }
            w_.writeFloat(d, nullptr);
            return true;
        }
        case F_ID:
            if (!reference(e_, f.name, id, err))
                return false;
            w_.writeUShort(id, nullptr);
            return true;
        case F_TEXT8: return text(f, 255, err);
        case F_TEXT16: return text(f, 65535, err);
        case F_N_CHILDREN: return count(lists_.children.size(), "child objects", err);
        case F_N_ITEMS: return count(lists_.items.size(), "items", err);
        case F_N_MACROS: return count(lists_.macros.size(), "macros", err);
        case F_N_POINTS: return count(lists_.points.size(), "points", err);
        case F_N_LANGUAGES: return count(lists_.languages.size(), "languages", err);
        case F_N_DATA16: return count(lists_.data.size(), "data bytes", err, true);
        case F_N_DATA32:
            w_.writeUInt(uint32_t(lists_.data.size()), nullptr);
            return true;
        case F_CHILDREN:
            for (const DOMElement* c : lists_.children) {
                long long x = 0, y = 0;
                if (!reference(c, "id", id, err))
                    return false;
                if (!parse_signed(attr(c, "x"), x) || !parse_signed(attr(c, "y"), y) || x < -32768 ||
                    x > 32767 || y < -32768 || y > 32767) {
                    err = "child position out of range";
                    return false;
                }
                w_.writeUShort(id, nullptr);
                w_.writeSShort(int32_t(x), nullptr);
                w_.writeSShort(int32_t(y), nullptr);
            }
            return true;
        case F_ITEMS:
            for (const DOMElement* c : lists_.items) {
                if (!reference(c, "id", id, err))
                    return false;
                w_.writeUShort(id, nullptr);
            }
            return true;
        case F_MACROS:
            for (const DOMElement* c : lists_.macros) {
                unsigned long long ev, m;
                if (!number(c, "event", nullptr, 255, ev, err) || !number(c, "macro", nullptr, 255, m, err))
                    return false;
                w_.writeByte(unsigned(ev), nullptr);
                w_.writeByte(unsigned(m), nullptr);
            }
            return true;
        case F_POINTS:
            for (const DOMElement* c : lists_.points) {
                unsigned long long x, y;
                if (!number(c, "x", nullptr, 65535, x, err) || !number(c, "y", nullptr, 65535, y, err))
                    return false;
                w_.writeUShort(unsigned(x), nullptr);
                w_.writeUShort(unsigned(y), nullptr);
            }
            return true;
        case F_LANGUAGES:
            for (const DOMElement* c : lists_.languages) {
                std::string code = attr(c, "code");
                if (code.size() != 2) {
                    err = "a language code has two letters";
                    return false;
                }
                w_.writeData(reinterpret_cast<const uint8_t*>(code.data()), 2, nullptr);
            }
            return true;
        case F_DATA:
            if (!lists_.data.empty())
                w_.writeData(lists_.data.data(), uint32_t(lists_.data.size()), nullptr);
            return true;
        case F_END: return true;
        }
        return true;
    }

    const DOMElement* e_;
    const std::map<std::string, unsigned>& names_;
    const unsigned char* colour_map_;
    Object_lists lists_;
    VtMessageWriter& w_;
};

// Line numbers of elements, recorded while the DOM is built.
class Line_parser : public XercesDOMParser {
public:
    void startElement(const XMLElementDecl& elemDecl, const unsigned int urlId, const XMLCh* const elemPrefix,
                      const RefVectorOf<XMLAttr>& attrList, const XMLSize_t attrCount, const bool isEmpty,
                      const bool isRoot) override
    {
        XercesDOMParser::startElement(elemDecl, urlId, elemPrefix, attrList, attrCount, isEmpty, isRoot);
        if (const Locator* loc = getScanner()->getLocator())
            lines_[getCurrentNode()] = int(loc->getLineNumber());
    }
    int line(const DOMNode* n) const
    {
        auto it = lines_.find(n);
        return it == lines_.end() ? 0 : it->second;
    }

private:
    std::map<const DOMNode*, int> lines_;
};

} // namespace

DOM_xerces_spec_man::DOM_xerces_spec_man(Object_pool* pool, const unsigned char* colour_map)
    : pool_(pool), colour_map_(colour_map)
{
}

DOM_xerces_spec_man::~DOM_xerces_spec_man()
{
    if (initialised_)
        Iso::xerces_end();
}

bool DOM_xerces_spec_man::init(int limit_id, int max_errors, int debug)
{
    if (initialised_)
        return true;
    if (!Iso::xerces_start())
        return false;
    initialised_ = true;
    limit_id_ = limit_id > 0 && limit_id <= 65535 ? unsigned(limit_id) : 10000u;
    max_errors_ = max_errors > 0 ? max_errors : 20;
    debug_ = debug;
    return true;
}

bool DOM_xerces_spec_man::fail(const std::string& message)
{
    error_ = message;
    std::fprintf(stderr, "%s\n", message.c_str());
    return false;
}

bool DOM_xerces_spec_man::load(const char* path)
{
    error_.clear();
    loaded_ = 0;
    if (!initialised_ || !pool_)
        return fail("VT pool specification: loader not initialised");
    if (!path)
        return fail("VT pool specification: no file");
    if (FILE* f = std::fopen(path, "rb"))
        std::fclose(f);
    else
        return fail(std::string(path) + ": cannot open: " + std::strerror(errno));

    Line_parser parser;
    Error_collector errors(path, max_errors_);
    parser.setValidationScheme(XercesDOMParser::Val_Always);
    parser.setDoNamespaces(false);
    parser.setDoSchema(false);
    parser.setLoadExternalDTD(true);
    parser.setErrorHandler(&errors);
    // The DTD and any other external entity come from local files beside the
    // specification; nothing named by a URL is ever fetched.
    std::string file = path;
    size_t slash = file.rfind('/');
    Iso::Local_entity_resolver resolver(slash == std::string::npos ? "./" : file.substr(0, slash + 1));
    parser.setXMLEntityResolver(&resolver);
    parser.setDisableDefaultEntityResolution(true);
    try {
        parser.parse(path);
    } catch (...) {
        return fail(std::string(path) + ": the XML parser failed");
    }
    if (errors.count > 0) {
        error_ = errors.first;  // already reported with the others
        return false;
    }
    DOMDocument* doc = parser.getDocument();
    DOMElement* root = doc ? doc->getDocumentElement() : nullptr;
    if (!root || latin1(root->getTagName()) != "vt_pool")
        return fail(std::string(path) + ": the root element is not vt_pool");

    auto where = [&](const DOMNode* n) {
        return std::string(path) + ":" + std::to_string(parser.line(n)) + ": ";
    };

    // First pass: ids and names.
    struct Entry {
        const DOMElement* e;
        int type;
        unsigned id;
        std::string name;
    };
    std::vector<Entry> entries;
    std::map<std::string, unsigned> names;
    std::set<unsigned> ids;
    for (DOMNode* n = root->getFirstChild(); n; n = n->getNextSibling()) {
        if (n->getNodeType() != DOMNode::ELEMENT_NODE)
            continue;
        auto* e = static_cast<const DOMElement*>(n);
        std::string tag = latin1(e->getTagName());
        int type = type_from_name(tag.c_str());
        if (type < 0)
            return fail(where(e) + "unknown object type " + tag);
        unsigned long long id;
        std::string ids_text = attr(e, "id");
        if (!parse_unsigned(ids_text, 65534, id) || id >= limit_id_)
            return fail(where(e) + "object id \"" + ids_text + "\" is not below " + std::to_string(limit_id_));
        if (!ids.insert(unsigned(id)).second)
            return fail(where(e) + "object id " + ids_text + " comes twice");
        std::string name = attr(e, "name");
        if (!name.empty() && !names.emplace(name, unsigned(id)).second)
            return fail(where(e) + "object name " + name + " comes twice");
        entries.push_back({e, type, unsigned(id), name});
    }

    // Second pass: the objects.
    std::vector<std::unique_ptr<VT_obj>> objects;
    VtMessageWriter writer(MAX_BODY_BYTES, nullptr);
    for (const Entry& en : entries) {
        Body_builder body(en.e, names, colour_map_, writer);
        std::string err;
        if (!body.build(spec_fields(en.type), err))
            return fail(where(en.e) + type_name(en.type) + " " + std::to_string(en.id) + ": " + err);
        std::unique_ptr<VT_obj> obj(VT_obj::create(uint16_t(en.id), en.type, en.name.c_str()));
        if (!obj || !obj->load_body(body.data(), body.length()))
            return fail(where(en.e) + type_name(en.type) + " " + std::to_string(en.id) + ": malformed object");
        objects.push_back(std::move(obj));
    }

    pool_->lock(-1);
    for (const auto& obj : objects) {
        if (pool_->__find_object(obj->get_id()) || (obj->has_name() && pool_->__find_object(obj->get_name(), false))) {
            pool_->unlock();
            return fail(std::string(path) + ": object " + std::to_string(obj->get_id()) + " " + obj->get_name() +
                        " is already in the pool");
        }
    }
    for (auto& obj : objects) {
        if (debug_)
            std::printf("VT spec: %s %u %s\n", type_name(obj->get_type()), unsigned(obj->get_id()), obj->get_name());
        pool_->add_object(obj.release());
        ++loaded_;
    }
    pool_->unlock();
    return true;
}

} // namespace VT
