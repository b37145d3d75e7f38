#pragma once
// Walks a settings tree leaf by leaf: for tests and benchmarks that must touch
// every setting of a tree without naming them.

#include "glue/NV_store/NV_container.h"
#include "glue/NV_store/NV_item.h"

#include <cstdio>
#include <string>
#include <vector>

namespace nv_tree_walk {

// Calls f for every leaf below item (item itself when it is a leaf), in
// tree order.
template <typename F>
void for_each_leaf(NV_store::NV_item& item, F&& f)
{
    if (auto* container = dynamic_cast<NV_store::NV_container*>(&item)) {
        for (NV_store::NV_item* child = container->first_child(); child;
             child = container->get_next_child(child))
            for_each_leaf(*child, f);
        return;
    }
    f(item);
}

inline std::string text_of(const NV_store::NV_item& leaf)
{
    char text[128] = {};
    leaf._to_string(text, sizeof text);
    return text;
}

// The text of every leaf, in tree order.
inline std::vector<std::string> leaf_texts(NV_store::NV_item& root)
{
    std::vector<std::string> texts;
    for_each_leaf(root, [&](NV_store::NV_item& leaf) { texts.push_back(text_of(leaf)); });
    return texts;
}

// Moves every leaf to a value of its own (numbered by its position in the
// tree) that differs from the value it held; returns how many leaves there
// are, or -1 when a leaf could not be changed.
inline int change_every_leaf(NV_store::NV_item& root)
{
    int n = 0;
    bool all_changed = true;
    for_each_leaf(root, [&](NV_store::NV_item& leaf) {
        ++n;
        const std::string before = text_of(leaf);
        char text[64];
        if (leaf.get_class_type() == 1) {
            std::snprintf(text, sizeof text, "[Name %d]", n);
        } else {
            switch (leaf.get_type()) {
            case 2: std::snprintf(text, sizeof text, "%s", before == "true" ? "false" : "true"); break;
            case 4: std::snprintf(text, sizeof text, "%d", 1 + n % 200 + (before == std::to_string(1 + n % 200))); break;
            case 5: std::snprintf(text, sizeof text, "%d", 2 + n % 60000); break;
            case 7: std::snprintf(text, sizeof text, "%d", -2 - n % 100); break;
            case 9: std::snprintf(text, sizeof text, "%d", -7 * n); break;
            case 10: std::snprintf(text, sizeof text, "%d.25", n); break;
            case 11: std::snprintf(text, sizeof text, "%d.125", n * 3); break;
            case 15: std::snprintf(text, sizeof text, "%llu", 18446744073709551000ULL - unsigned(n)); break;
            default: std::snprintf(text, sizeof text, "?"); break;
            }
        }
        if (!leaf._from_string(text) || text_of(leaf) == before)
            all_changed = false;
    });
    return all_changed ? n : -1;
}

}  // namespace nv_tree_walk
