// Loads the VT pool specification, an XML file validated against its DTD,
// into the pool: one element per object (element name the object type,
// "id" and "name" attributes, the type's attributes, and child elements for
// child objects, list items, macros, points and raw data). References to
// other objects may give the id or the name. The file is loaded as a whole
// or not at all: any error is reported on the error stream with the file
// and line, and no object of the file stays in the pool.
#pragma once

#include <map>
#include <string>

namespace VT {

class Object_pool;

class DOM_xerces_spec_man {
public:
    // colour_map: 256 palette indices that replace the file's colours
    // (null: the file's colours as they are).
    explicit DOM_xerces_spec_man(Object_pool* pool, const unsigned char* colour_map = nullptr);
    ~DOM_xerces_spec_man();
    DOM_xerces_spec_man(const DOM_xerces_spec_man&) = delete;
    DOM_xerces_spec_man& operator=(const DOM_xerces_spec_man&) = delete;

    // Starts the XML parser. limit_id: object ids of the file must lie
    // below it (0: 10000, where the generated pool image begins).
    // max_errors: parser errors reported (0: 20). debug: non-zero lists
    // every object loaded. False when the parser cannot start.
    bool init(int limit_id = 0, int max_errors = 0, int debug = 0);
    // Loads the file into the pool; false (and the pool unchanged) on any
    // error.
    bool load(const char* path);

    const std::string& error() const { return error_; }
    int objects_loaded() const { return loaded_; }

private:
    bool fail(const std::string& message);

    Object_pool* pool_;
    const unsigned char* colour_map_;
    bool initialised_ = false;
    unsigned limit_id_ = 10000;
    int max_errors_ = 20;
    int debug_ = 0;
    std::string error_;
    int loaded_ = 0;
};

} // namespace VT
