// The template parts of DOM_xerces_spec_man that are too long for its class.
#pragma once

#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <unistd.h>

template <class Pool, class Node, class Obj>
bool DOM_xerces_spec_man<Pool, Node, Obj>::load(const char* path)
{
    if (!path || !*path) {
        std::fprintf(stderr, "No description file given\n");
        return false;
    }
    if (!initialised_ && !init(nullptr))
        return false;
    std::string p = path;
    size_t slash = p.rfind('/');
    std::string dir_part = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    if (p[0] == '/') {
        directory_ = dir_part;
    } else {
        char cwd[4096];
        directory_ = std::string(getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + dir_part;
    }
    std::string dtd_dir;
    size_t dtd_slash = dtd_file_.rfind('/');
    if (dtd_slash == std::string::npos) {
        dtd_dir = dir_part;
    } else {
        dtd_dir = dtd_file_.substr(0, dtd_slash + 1);
        dtd_file_ = dtd_file_.substr(dtd_slash + 1);
    }
    return parse(dtd_dir, path);
}

template <class Pool, class Node, class Obj>
bool DOM_xerces_spec_man<Pool, Node, Obj>::parse(const std::string& dtd_directory,
                                                  const char* path)
{
    using namespace xercesc;
    added_.clear();
    // Declared before the parser, which uses it to the end.
    SecurityManager limits;
    limits.setEntityExpansionLimit(MAX_ENTITY_EXPANSIONS);
    auto parser = std::make_unique<XercesDOMParser>();
    parser->setSecurityManager(&limits);
    Spec_xerces::Error_handler handler;
    Spec_xerces::Resolver resolver(dtd_directory, dtd_file_);
    parser->setErrorHandler(&handler);
    parser->setValidationScheme(XercesDOMParser::Val_Always);
    parser->setXMLEntityResolver(&resolver);
    // Entities are expanded in place; nothing is fetched that the resolver
    // did not find as a file.
    parser->setCreateEntityReferenceNodes(false);
    parser->setDisableDefaultEntityResolution(true);

    bool ok = false;
    try {
        std::string dtd_path = dtd_directory + dtd_file_;
        if (!parser->loadGrammar(dtd_path.c_str(), Grammar::DTDGrammarType, false)) {
            std::fprintf(stderr, "Unable to read the DTD '%s'\n", dtd_path.c_str());
            return false;
        }
        parser->useCachedGrammarInParse(false);
        parser->parse(path);
        ok = true;
    } catch (const OutOfMemoryException&) {
        std::fprintf(stderr, "OutOfMemoryException\n");
    } catch (const XMLException& e) {
        std::fprintf(stderr, "An error occurred during parsing\n   Message: %s\n",
                     Spec_xerces::convert_text(e.getMessage()).c_str());
    } catch (const DOMException& e) {
        std::fprintf(stderr, "\nDOM Error during parsing: '%s'\nDOMException code is:  %d\n", path,
                     int(e.code));
        if (e.getMessage())
            std::fprintf(stderr, "Message is: %s\n", Spec_xerces::convert_text(e.getMessage()).c_str());
    } catch (...) {
        std::fprintf(stderr, "An error occurred during parsing\n ");
        std::fprintf(stderr, "in '%s'\n", path);
    }
    if (!ok)
        return false;

    DOMDocument* doc = parser->getDocument();
    DOMDocumentType* type = doc ? doc->getDoctype() : nullptr;
    if (!type) {
        std::fprintf(stderr, "No DOCTYPE!!\n");
        return false;
    }
    if (Spec_xerces::convert_text(type->getName()) != "Object_pool") {
        std::fprintf(stderr, "Wrong DOCTYPE!!\n");
        return false;
    }
    root_ = doc->getDocumentElement();
    if (!root_) {
        std::fprintf(stderr, "No POOL!!\n");
        return false;
    }
    if (Spec_xerces::node_name(root_) != "Object_pool") {
        std::fprintf(stderr, "Wrong POOL!!\n");
        root_ = nullptr;
        return false;
    }

    bool built = preliminary_pool_build(root_);
    const char* failure = built ? nullptr : "Unable to perform preliminary pool build";
    std::string pool_name;
    if (built) {
        const DOMAttr* name = find_attribute(root_, "name");
        if (!name) {
            failure = "The pool has no name";
        } else {
            pool_name = Spec_xerces::convert_text(name->getValue());
            if (pool_name.size() > size_t(MAX_POOL_NAME)) {
                pool_name.resize(size_t(MAX_POOL_NAME));
                std::fprintf(stderr, "WARNING: Truncated pool name to '%s'\n", pool_name.c_str());
            }
        }
    }
    if (!failure && !add_references(doc))
        failure = "Unable to resolve the references between objects";
    if (!failure && !populate_pool(root_))
        failure = "Unable to populate pool";
    if (!failure && !finish_parse())
        failure = "Unable to finish the pool";
    if (failure)
        std::fprintf(stderr, "%s\n", failure);
    else
        pool_->set_pool_name(pool_name.c_str());
    // The document goes with the parser: no object may keep a view of it.
    forget_nodes(failure != nullptr);
    root_ = nullptr;
    return failure == nullptr;
}

template <class Pool, class Node, class Obj>
void DOM_xerces_spec_man<Pool, Node, Obj>::forget_nodes(bool drop_objects)
{
    pool_->lock(-1);
    for (unsigned short id : added_) {
        if (drop_objects) {
            pool_->delete_object(id);
        } else if (Obj* o = pool_->__find_object(id)) {
            o->lock();
            o->set_spec_node(nullptr);
            o->unlock();
        }
    }
    pool_->unlock();
    if (drop_objects)
        added_.clear();
}

template <class Pool, class Node, class Obj>
std::vector<xercesc::DOMNode*> DOM_xerces_spec_man<Pool, Node, Obj>::top_level()
{
    std::vector<xercesc::DOMNode*> list;
    if (!root_)
        return list;
    for (xercesc::DOMNode* c = root_->getFirstChild(); c; c = c->getNextSibling())
        if (c->getNodeType() == xercesc::DOMNode::ELEMENT_NODE && node_exists(c))
            list.push_back(c);
    return list;
}

template <class Pool, class Node, class Obj>
const xercesc::DOMAttr*
DOM_xerces_spec_man<Pool, Node, Obj>::find_attribute(const xercesc::DOMNode* node,
                                                      const char* name)
{
    using namespace xercesc;
    if (!node || !name || node->getNodeType() != DOMNode::ELEMENT_NODE)
        return nullptr;
    auto* element = static_cast<const DOMElement*>(node);
    auto lookup = [&](const std::string& n) -> const DOMAttr* {
        XMLCh* x = XMLString::transcode(n.c_str());
        const DOMAttr* a = element->getAttributeNode(x);
        XMLString::release(&x);
        return a;
    };
    if (!prefix_.empty()) {
        const DOMAttr* a = lookup(prefix_ + "-" + name);
        if (a && a->getSpecified())
            return a;
    }
    return lookup(name);
}

template <class Pool, class Node, class Obj>
bool DOM_xerces_spec_man<Pool, Node, Obj>::node_exists(const xercesc::DOMNode* node)
{
    const xercesc::DOMAttr* a = find_attribute(node, "exist");
    return !(a && strcasecmp(Spec_xerces::convert_text(a->getValue()).c_str(), "false") == 0);
}
