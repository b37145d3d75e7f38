// Selection frames around the editable stats of a page: one rectangle of the
// pool's "input_items_container" per stat, the one being edited (or focused)
// in the selected look.
#pragma once

#include "vtui/stat/Stat.h"

class Stat_decorations {
public:
    static constexpr int MAX_ITEMS = 20;

    struct Item {
        Stat* stat = nullptr;
        VT::Rectangle_obj* frame = nullptr;
    };
    struct Look {
        unsigned short line_id = NULL_ID_;
        unsigned short fill_id = NULL_ID_;
        VT::Line_attributes_obj* line = nullptr;
        static constexpr unsigned short NULL_ID_ = VT::Object_pool::NULL_ID;
    };

    // Binds the items container and its frames; false without it or when a
    // child is not a rectangle.
    bool init(VT::Object_pool* pool);
    // Frames the editable stats of the collector found on the mask (else in
    // the container). Without `append` the page starts empty; without
    // `keep_layout` the container is rebuilt and uploaded.
    bool show_page(VT::Data_mask_obj* mask, VT::Container_obj* container, Stat_collector* col, bool append,
                   bool keep_layout);
    bool show_page(VT::Data_mask_obj* mask, Stat_collector* col, bool append, bool keep_layout)
    {
        return show_page(mask, nullptr, col, append, keep_layout);
    }
    bool show_page(VT::Container_obj* container, Stat_collector* col, bool append, bool keep_layout)
    {
        return show_page(nullptr, container, col, append, keep_layout);
    }
    // Highlights the stat's frames; the one edited before goes back.
    void edit(Stat* stat);
    // The frame of the stat whose input object is `id` takes the (un)selected
    // look; false when no item has it.
    bool select(unsigned short input_object_id, bool selected);
    Item* find_item(unsigned short input_object_id);

    int get_in_use() const { return in_use; }
    const Item& get_item(int i) const { return items[i]; }
    const Item* get_edited() const { return edited; }
    int get_capacity() const { return last_index; }

private:
    void give_look(VT::Rectangle_obj* frame, const Look& look);

    Item items[MAX_ITEMS];
    VT::Rectangle_obj* frames[MAX_ITEMS] = {};
    int in_use = 0;
    int last_index = 0;
    VT::Container_obj* container = nullptr;
    VT::Object_pool* pool = nullptr;
    Look selected_look;
    Look unselected_look;
    Item* edited = nullptr;
};
