// The reader of the implement's TC device description: every element named
// after a device object kind ("Device", "Device_element",
// "Device_process_data", "Device_property", "Device_value_presentation")
// becomes an object of the TC object pool.
#pragma once

#include "platform/tc/TC_object_pool.h"
#include "tc_client/DOM_xerces_spec_man.h"

namespace TC {

class DOM_xerces_spec_node;

using DOM_xerces_spec_man_base = ::DOM_xerces_spec_man<Object_pool, DOM_xerces_spec_node, TC_obj>;

class DOM_xerces_spec_node
    : public ::DOM_xerces_spec_node<Object_pool, DOM_xerces_spec_node, TC_obj> {
public:
    using ::DOM_xerces_spec_node<Object_pool, DOM_xerces_spec_node, TC_obj>::DOM_xerces_spec_node;
};

class DOM_xerces_spec_man : public DOM_xerces_spec_man_base {
public:
    static const char* const DEFAULT_DTD_FILE;  // "+TC2ISO.dtd"

    explicit DOM_xerces_spec_man(Object_pool* pool);

protected:
    bool preliminary_pool_build(xercesc::DOMNode* node) override;
    bool populate_pool(xercesc::DOMNode* root) override;
    bool add_references(xercesc::DOMDocument* document) override;
    bool finish_parse() override;

private:
    // The object of an element (not yet in the pool), or null for an
    // element of no known kind; `ok` false when the element is unusable.
    TC_obj* create_TC_object(xercesc::DOMNode* node, const DOM_xerces_spec_node* parent, bool& ok);
    bool build(xercesc::DOMNode* node, const DOM_xerces_spec_node* view);
    bool take_references(xercesc::DOMNode* node);
    bool populate(xercesc::DOMNode* node, bool top);
};

} // namespace TC
