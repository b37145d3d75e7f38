// Reads an object description (XML, validated against its DTD) into an
// object pool with the xerces-c DOM parser. The pool-specific passes (which
// elements become which objects, how references are taken) are left to the
// derived reader; this template parses, validates, checks the document type
// and runs the passes, and gives the objects a view of their element
// (DOM_xerces_spec_node) to read their attributes from.
//
// Pool must offer lock/unlock, set_pool_name, add_object, delete_object and
// __find_object by name and by Spec_node; Obj must offer get_id and
// set_spec_node.
#pragma once

#include "platform/iso/Local_entity_resolver.h"
#include "platform/iso/Spec_node.h"
#include "platform/iso/Xerces_lifetime.h"
#include "platform/iso/Xml_text.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLString.hpp>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace Spec_xerces {

// Converts xerces text to 8 bits: characters above 255 become '?', the
// escapes \n \r \b \xHH and \0ooo are resolved (one that is unknown or would
// give 0 stays as written). Returns the text.
std::string convert_text(const XMLCh* text);
// Whether `name` matches `pattern`: null or "*" all, "abc*" a prefix, a
// whole name exactly, "!..." the opposite, "\..." the rest literally.
bool name_matches(const char* pattern, const char* name);
// The element name in 8 bits.
std::string node_name(const xercesc::DOMNode* node);

// Reports every parser warning, error and fatal error as a line and ends
// the parse.
class Error_handler : public xercesc::HandlerBase {
public:
    void warning(const xercesc::SAXParseException& e) override;
    void error(const xercesc::SAXParseException& e) override;
    void fatalError(const xercesc::SAXParseException& e) override;

private:
    void report(const char* kind, const xercesc::SAXParseException& e);
};

// Opens the DTD from the description's directory and other external
// entities only where they exist as local files.
using Resolver = Iso::Local_entity_resolver;

} // namespace Spec_xerces

template <class Pool, class Node, class Obj>
class DOM_xerces_spec_man;

// A view of one element of the parsed description.
template <class Pool, class Node, class Obj>
class DOM_xerces_spec_node : public Spec_node {
public:
    using Man = DOM_xerces_spec_man<Pool, Node, Obj>;

    DOM_xerces_spec_node(Man* man, xercesc::DOMNode* node, const Node* parent)
        : man_(man), node_(node)
    {
        if (parent)
            parent_ = new Node(*parent);
    }
    DOM_xerces_spec_node(const DOM_xerces_spec_node& other)
        : man_(other.man_), node_(other.node_)
    {
        if (other.parent_)
            parent_ = new Node(*other.parent_);
    }
    DOM_xerces_spec_node& operator=(const DOM_xerces_spec_node&) = delete;
    ~DOM_xerces_spec_node() override { delete parent_; }

    bool get_attribute_uint8(uint8_t& out, const char* name) override
    {
        return get_unsigned(out, name);
    }
    bool get_attribute_uint16(uint16_t& out, const char* name) override
    {
        return get_unsigned(out, name);
    }
    bool get_attribute_uint32(uint32_t& out, const char* name) override
    {
        return get_unsigned(out, name);
    }
    bool get_attribute_uint64(uint64_t& out, const char* name) override
    {
        return get_unsigned(out, name);
    }
    bool get_attribute_int8(int8_t& out, const char* name) override { return get_signed(out, name); }
    bool get_attribute_int16(int16_t& out, const char* name) override
    {
        return get_signed(out, name);
    }
    bool get_attribute_int32(int32_t& out, const char* name) override
    {
        return get_signed(out, name);
    }
    bool get_attribute_int64(int64_t& out, const char* name) override
    {
        return get_signed(out, name);
    }
    bool get_attribute_float(float& out, const char* name) override
    {
        std::string text;
        float f = 0;
        if (!value_of(name, text) || !Iso::text_to_float(text, f))
            return false;
        out = f;
        return true;
    }
    bool get_attribute_string(char* out, int size, const char* name) override
    {
        std::string text;
        if (!out || size <= 0 || !value_of(name, text))
            return false;
        size_t n = std::min(text.size(), size_t(size - 1));
        text.copy(out, n);
        out[n] = '\0';
        return true;
    }
    int get_attribute_len(const char* name) override
    {
        std::string text;
        return value_of(name, text) ? int(text.size()) : -1;
    }
    bool attribute_exists(const char* name) override { return find_attribute(name) != nullptr; }

    Spec_man* get_man_ptr() override { return man_; }
    void get_name(char* out, int size) override
    {
        if (!out || size <= 0)
            return;
        std::string n = Spec_xerces::node_name(node_);
        size_t len = std::min(n.size(), size_t(size - 1));
        n.copy(out, len);
        out[len] = '\0';
    }
    int get_num_children(const char* pattern) override { return int(children(pattern).size()); }
    Spec_node* get_child(int n, const char* pattern) override
    {
        auto list = children(pattern);
        if (n < 0 || n >= int(list.size()))
            return nullptr;
        return new Node(man_, list[size_t(n)], static_cast<Node*>(this));
    }
    Spec_node* get_parent() override { return parent_; }

    unsigned short get_object_id(const char* object_name) override
    {
        return man_->get_object_id(object_name);
    }
    unsigned short get_own_object_id() override
    {
        Obj* o = man_->get_object_of(this);
        return o ? o->get_id() : 65535;
    }
    bool operator==(const Spec_node* other) const override
    {
        auto* o = dynamic_cast<const DOM_xerces_spec_node*>(other);
        return o && o->man_ == man_ && o->node_ == node_;
    }
    void print_me() override
    {
        std::fprintf(stderr, "Node '%s'\n", Spec_xerces::node_name(node_).c_str());
    }

    // Hooks of a derived node: a chance to change a name or value first.
    virtual const char* adjust_name(const char* name) { return name; }

    xercesc::DOMNode* get_dom_node() const { return node_; }
    // Whether the element takes part: not marked exist="false".
    bool exists() { return man_->node_exists(node_); }

private:
    const xercesc::DOMAttr* find_attribute(const char* name)
    {
        return man_->find_attribute(node_, adjust_name(name));
    }
    bool value_of(const char* name, std::string& text)
    {
        const xercesc::DOMAttr* a = find_attribute(name);
        if (!a)
            return false;
        text = Spec_xerces::convert_text(a->getValue());
        return true;
    }
    template <typename T>
    bool get_unsigned(T& out, const char* name)
    {
        std::string text;
        unsigned long long v = 0;
        if (!value_of(name, text) || !Iso::text_to_uint64(text, v) ||
            v > std::numeric_limits<T>::max())
            return false;
        out = static_cast<T>(v);
        return true;
    }
    template <typename T>
    bool get_signed(T& out, const char* name)
    {
        std::string text;
        long long v = 0;
        if (!value_of(name, text) || !Iso::text_to_int64(text, v) ||
            v > std::numeric_limits<T>::max() || v < std::numeric_limits<T>::min())
            return false;
        out = static_cast<T>(v);
        return true;
    }
    std::vector<xercesc::DOMNode*> children(const char* pattern)
    {
        std::vector<xercesc::DOMNode*> list;
        for (xercesc::DOMNode* c = node_->getFirstChild(); c; c = c->getNextSibling()) {
            if (c->getNodeType() != xercesc::DOMNode::ELEMENT_NODE || !man_->node_exists(c))
                continue;
            if (Spec_xerces::name_matches(pattern, Spec_xerces::node_name(c).c_str()))
                list.push_back(c);
        }
        return list;
    }

    Man* man_;
    xercesc::DOMNode* node_;
    Node* parent_ = nullptr;  // owned copy of the enclosing element's view
};

template <class Pool, class Node, class Obj>
class DOM_xerces_spec_man : public Spec_man {
public:
    static constexpr int MAX_POOL_NAME = 32;
    static constexpr int MAX_OBJECT_NAME = 31;
    // Entity references the parser expands in one description: enough for
    // a description put together from parts, far too few for one that
    // would blow up into millions of characters.
    static constexpr int MAX_ENTITY_EXPANSIONS = 100;

    DOM_xerces_spec_man(Pool* pool, const char* dtd_file) : pool_(pool), dtd_file_(dtd_file) {}
    ~DOM_xerces_spec_man() override
    {
        if (initialised_)
            Iso::xerces_end();
    }
    DOM_xerces_spec_man(const DOM_xerces_spec_man&) = delete;
    DOM_xerces_spec_man& operator=(const DOM_xerces_spec_man&) = delete;

    // Stores a non-null attribute prefix and starts xerces-c.
    bool init(const char* prefix)
    {
        if (prefix)
            prefix_ = prefix;
        if (initialised_)
            return true;
        initialised_ = Iso::xerces_start();
        return initialised_;
    }

    // Reads the description at `path` into the pool: true when every object
    // was read; otherwise a line on the error stream, false, and the pool
    // holds none of the description's objects.
    bool load(const char* path) override;

    void set_document_type_definition(const char* dtd) { dtd_file_ = dtd ? dtd : ""; }
    const char* get_prefix() const { return prefix_.empty() ? nullptr : prefix_.c_str(); }
    const std::string& get_directory() const { return directory_; }
    Pool* get_pool() const { return pool_; }

    int num_top_level_objects() { return int(top_level().size()); }
    Node* get_top_level_object(int n)
    {
        auto list = top_level();
        return n >= 0 && n < int(list.size()) ? new Node(this, list[size_t(n)], nullptr) : nullptr;
    }

    Obj* get_object(const char* name)
    {
        pool_->lock(-1);
        Obj* o = pool_->__find_object(name, false);
        pool_->unlock();
        return o;
    }
    unsigned short get_object_id(const char* name)
    {
        Obj* o = get_object(name);
        return o ? o->get_id() : 65535;
    }
    Obj* get_object_of(Spec_node* node)
    {
        pool_->lock(-1);
        Obj* o = pool_->__find_object(node);
        pool_->unlock();
        return o;
    }

    // The attribute `name` of an element, with the prefix rule: the
    // attribute "<prefix>-<name>" when the document gives it, else `name`.
    const xercesc::DOMAttr* find_attribute(const xercesc::DOMNode* node, const char* name);
    bool node_exists(const xercesc::DOMNode* node);

protected:
    virtual bool preliminary_pool_build(xercesc::DOMNode* node) = 0;
    virtual bool populate_pool(xercesc::DOMNode* root) = 0;
    virtual bool add_references(xercesc::DOMDocument* document) = 0;
    virtual bool finish_parse() { return true; }

    // Adds an object to the pool, remembering it so that a failed load
    // takes it out again.
    bool add_to_pool(Obj* obj)
    {
        pool_->lock(-1);
        bool ok = pool_->add_object(obj);
        pool_->unlock();
        if (ok)
            added_.push_back(obj->get_id());
        return ok;
    }
    const std::vector<unsigned short>& added_objects() const { return added_; }

private:
    bool parse(const std::string& dtd_directory, const char* path);
    std::vector<xercesc::DOMNode*> top_level();
    void forget_nodes(bool drop_objects);

    std::string directory_;
    Pool* pool_;
    std::string prefix_;
    std::string dtd_file_;
    xercesc::DOMNode* root_ = nullptr;
    bool initialised_ = false;
    std::vector<unsigned short> added_;
};

#include "tc_client/DOM_xerces_spec_man_impl.h"
