#pragma once
// Gives the item ids that the trees built inside a scope drew back to the
// process-wide counter when the scope ends, so a test that builds thousands of
// short-lived trees (or moves the counter on purpose) leaves the 16-bit id
// space as it found it for the tests after it. Every item built inside the
// scope must be gone before it ends. Given a first id, the scope's items draw
// ids from there, wherever earlier tests left the counter.

#include "glue/cds/Data_item.h"

class Item_id_scope {
public:
    Item_id_scope() : saved_(Data_item::lookup_max_id.load()) {}
    explicit Item_id_scope(unsigned short first_id) : Item_id_scope()
    {
        Data_item::lookup_max_id = first_id;
    }
    ~Item_id_scope() { Data_item::lookup_max_id = saved_; }
    Item_id_scope(const Item_id_scope&) = delete;
    Item_id_scope& operator=(const Item_id_scope&) = delete;

private:
    unsigned short saved_;
};
