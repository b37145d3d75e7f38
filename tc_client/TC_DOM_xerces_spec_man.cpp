#include "tc_client/TC_DOM_xerces_spec_man.h"

#include <strings.h>

namespace TC {

const char* const DOM_xerces_spec_man::DEFAULT_DTD_FILE = "+TC2ISO.dtd";

namespace {

constexpr int MAX_ELEMENT_NAME = 31;

template <typename F>
void for_each_element(xercesc::DOMNode* node, DOM_xerces_spec_man_base* man, F&& f)
{
    for (xercesc::DOMNode* c = node->getFirstChild(); c; c = c->getNextSibling())
        if (c->getNodeType() == xercesc::DOMNode::ELEMENT_NODE && man->node_exists(c))
            f(c);
}

} // namespace

DOM_xerces_spec_man::DOM_xerces_spec_man(Object_pool* pool)
    : DOM_xerces_spec_man_base(pool, DEFAULT_DTD_FILE)
{
}

bool DOM_xerces_spec_man::preliminary_pool_build(xercesc::DOMNode* node)
{
    return build(node, nullptr);
}

bool DOM_xerces_spec_man::build(xercesc::DOMNode* node, const DOM_xerces_spec_node* view)
{
    bool ok = true;
    for_each_element(node, this, [&](xercesc::DOMNode* child) {
        if (!ok)
            return;
        DOM_xerces_spec_node child_view(this, child, view);
        // Children first, so that every object exists before its parent.
        if (!build(child, &child_view)) {
            ok = false;
            return;
        }
        TC_obj* obj = create_TC_object(child, view, ok);
        if (!obj)
            return;
        if (!add_to_pool(obj)) {
            std::fprintf(stderr, "Error adding object to pool!\n");
            std::fprintf(stderr, "  %s '%s': its object id %u or its name is already in the pool\n",
                         Spec_xerces::node_name(child).c_str(), obj->get_name(), obj->get_id());
            delete obj;
            ok = false;
        }
    });
    return ok;
}

TC_obj* DOM_xerces_spec_man::create_TC_object(xercesc::DOMNode* node,
                                              const DOM_xerces_spec_node* parent, bool& ok)
{
    std::string element = Spec_xerces::node_name(node).substr(0, MAX_ELEMENT_NAME);
    int type = -1;
    for (int t = 0; t < TC_obj_type::NUM_TYPES; ++t)
        if (strcasecmp(element.c_str(), TC_obj_type::type_strings[t]) == 0)
            type = t;
    if (type < 0)
        return nullptr;

    auto* spec = new DOM_xerces_spec_node(this, node, parent);
    char name[64] = "";
    if (spec->get_attribute_string(name, sizeof name, "name") &&
        std::strlen(name) > size_t(MAX_OBJECT_NAME)) {
        name[MAX_OBJECT_NAME] = '\0';
        std::fprintf(stderr, "WARNING: Truncated name to '%s'\n", name);
    }
    char id_text[16] = "";
    uint16_t id = TC_obj::NULL_ID;
    bool has_id = spec->get_attribute_string(id_text, sizeof id_text, "object_id");
    size_t digits = std::strspn(id_text, "0123456789");
    if (!has_id || digits == 0 || digits > 5 || id_text[digits] != '\0' ||
        std::strtoul(id_text, nullptr, 10) >= TC_obj::NULL_ID) {
        std::fprintf(stderr, "%s '%s': object_id '%s' is no object id (0 to 65534)\n",
                     element.c_str(), name, id_text);
        delete spec;
        ok = false;
        return nullptr;
    }
    id = uint16_t(std::strtoul(id_text, nullptr, 10));

    TC_obj* obj = create_object(get_pool(), type, id, name);
    obj->lock();
    obj->set_spec_node(spec);
    obj->unlock();
    return obj;
}

bool DOM_xerces_spec_man::add_references(xercesc::DOMDocument* document)
{
    return take_references(document->getDocumentElement());
}

bool DOM_xerces_spec_man::take_references(xercesc::DOMNode* node)
{
    bool ok = true;
    for_each_element(node, this, [&](xercesc::DOMNode* child) {
        DOM_xerces_spec_node view(this, child, nullptr);
        if (TC_obj* obj = get_object_of(&view)) {
            // The pool's lock before the object's, as everywhere else: the
            // references are looked up in the pool.
            get_pool()->lock(-1);
            obj->lock();
            if (!obj->take_references(obj->get_spec_node()))
                ok = false;
            obj->unlock();
            get_pool()->unlock();
        }
        if (!take_references(child))
            ok = false;
    });
    return ok;
}

bool DOM_xerces_spec_man::populate_pool(xercesc::DOMNode* root) { return populate(root, true); }

bool DOM_xerces_spec_man::populate(xercesc::DOMNode* node, bool top)
{
    bool ok = true;
    for_each_element(node, this, [&](xercesc::DOMNode* child) {
        DOM_xerces_spec_node view(this, child, nullptr);
        if (TC_obj* obj = get_object_of(&view)) {
            if (!obj->set_by_spec())
                ok = false;
        } else if (top) {
            std::fprintf(stderr, "WARNING!  Node '%s' is an unknown type of object\n",
                         Spec_xerces::node_name(child).c_str());
        }
        // Objects written inside other objects read their attributes too.
        if (!populate(child, false))
            ok = false;
    });
    return ok;
}

bool DOM_xerces_spec_man::finish_parse()
{
    std::string why;
    Object_pool* pool = get_pool();
    pool->lock(-1);
    bool ok = pool->check_references(why);
    pool->unlock();
    if (!ok)
        std::fprintf(stderr, "Broken description: %s\n", why.c_str());
    return ok;
}

} // namespace TC
