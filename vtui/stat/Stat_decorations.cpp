#include "vtui/stat/Stat_decorations.h"

#include "util/Debug_print.h"
#include "vtui/stat/Stat_dyn.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace {
const char* const SOURCE = "vtui/stat/Stat_decorations";

// The position of object `id` placed in `parent`, looked for in the child
// containers too (their offsets added).
bool locate(VT::Object_pool* pool, VT::Parent_obj* parent, unsigned short id, int& x, int& y, int depth = 0)
{
    if (!parent || depth > 8)
        return false;
    for (int i = 0; i < parent->num_children(); ++i) {
        if (parent->get_child_id(i) == id) {
            x = parent->get_child_x(i);
            y = parent->get_child_y(i);
            return true;
        }
    }
    for (int i = 0; i < parent->num_children(); ++i) {
        auto* inner = pool->find<VT::Container_obj>(parent->get_child_id(i));
        int cx, cy;
        if (inner && locate(pool, inner, id, cx, cy, depth + 1)) {
            x = parent->get_child_x(i) + cx;
            y = parent->get_child_y(i) + cy;
            return true;
        }
    }
    return false;
}

// The children of a container with their places, to tell whether a new
// layout differs from the one the VT holds.
std::vector<std::tuple<unsigned short, short, short>> layout_of(const VT::Container_obj* c)
{
    std::vector<std::tuple<unsigned short, short, short>> out;
    for (int i = 0; i < c->num_children(); ++i)
        out.emplace_back(c->get_child_id(i), c->get_child_x(i), c->get_child_y(i));
    return out;
}

Stat_decorations::Look look_of(VT::Object_pool* pool, VT::Rectangle_obj* r)
{
    Stat_decorations::Look l;
    l.line_id = r->get_line_attributes();
    l.fill_id = r->get_fill_attributes();
    l.line = pool->find<VT::Line_attributes_obj>(l.line_id);
    return l;
}
} // namespace

bool Stat_decorations::init(VT::Object_pool* p)
{
    pool = p;
    container = p ? p->find<VT::Container_obj>("input_items_container") : nullptr;
    if (!container)
        return false;
    int n = std::min(container->num_children(), MAX_ITEMS);
    for (int i = 0; i < n; ++i) {
        VT::VT_obj* child = p->find<VT::VT_obj>(container->get_child_id(i));
        auto* rect = VT::obj_cast<VT::Rectangle_obj>(child);
        if (!rect) {
            Debug_print::dprint("Something other than container %d at %d\r\n", child ? int(child->get_type()) : -1,
                                i);
            return false;
        }
        if (i == 0)
            unselected_look = look_of(p, rect);
        else if (i == 1)
            selected_look = look_of(p, rect);
        frames[i] = rect;
        last_index = i;
    }
    // The items array holds at most MAX_ITEMS: a larger container is framed
    // only that far.
    in_use = std::min(container->num_children(), MAX_ITEMS);
    return true;
}

void Stat_decorations::give_look(VT::Rectangle_obj* frame, const Look& look)
{
    if (!frame)
        return;
    if (frame->get_line_attributes() != look.line_id)
        frame->set_line_attributes(look.line_id);
    if (frame->get_fill_attributes() != look.fill_id)
        frame->set_fill_attributes(look.fill_id);
}

bool Stat_decorations::show_page(VT::Data_mask_obj* mask, VT::Container_obj* cont, Stat_collector* col, bool append,
                                 bool keep_layout)
{
    Stat_dyn::check(mask || cont, SOURCE, "mask || cont");
    if (!append) {
        in_use = 0;
        edited = nullptr;
    }
    if (!container)
        return false;
    VT::Parent_obj* page = mask ? static_cast<VT::Parent_obj*>(mask) : static_cast<VT::Parent_obj*>(cont);
    int cx = 0, cy = 0;
    if (!locate(pool, page, container->get_id(), cx, cy) && mask && cont)
        locate(pool, cont, container->get_id(), cx, cy);
    int b = std::max(selected_look.line ? selected_look.line->get_line_width() : 0,
                     unselected_look.line ? unselected_look.line->get_line_width() : 0);
    int margin = 2 * b + 4;
    const int width = container->get_width(), height = container->get_height();
    const auto before = layout_of(container);
    bool ok = true;
    if (col) {
        for (Stat* s = col->first(); s; s = col->next(s)) {
            if (!s->get_editable() || s->get_type() == Stat::TYPE_BOOL || s->get_width() == 0 ||
                s->get_height() == 0)
                continue;
            if (in_use >= last_index)
                break;
            VT::Rectangle_obj* frame = frames[in_use];
            if (!frame) {
                ok = false;
                break;
            }
            VT::VT_obj* input = s->get_input_obj();
            int x = 0, y = 0;
            if (!input || !locate(pool, page, input->get_id(), x, y))
                continue;
            give_look(frame, unselected_look);
            // Each frame lies inside the container, as a VT draws only what
            // is inside its parent.
            const int fw = std::min(s->get_width() + margin, width), fh = std::min(s->get_height() + margin, height);
            frame->set_size(uint16_t(fw), uint16_t(fh));
            const short fx = short(std::max(0, std::min(x - (b + cx + 2), width - fw)));
            const short fy = short(std::max(0, std::min(y - (b + cy + 2), height - fh)));
            if (keep_layout)
                container->set_child_position(frame->get_id(), fx, fy);
            else
                container->set_child_at(in_use, frame->get_id(), fx, fy);
            items[in_use].stat = s;
            items[in_use].frame = frame;
            ++in_use;
        }
    }
    if (!keep_layout) {
        container->set_num_children(in_use);
        // The VT holds the layout already when the page shows as before.
        if (layout_of(container) != before)
            pool->upload(container);
    }
    return ok;
}

void Stat_decorations::edit(Stat* stat)
{
    if (edited)
        give_look(edited->frame, unselected_look);
    edited = nullptr;
    for (int i = 0; i < in_use; ++i) {
        if (!items[i].frame)
            break;
        if (items[i].stat == stat) {
            edited = &items[i];
            give_look(items[i].frame, selected_look);
        }
    }
}

Stat_decorations::Item* Stat_decorations::find_item(unsigned short id)
{
    for (int i = 0; i < in_use; ++i) {
        VT::VT_obj* input = items[i].stat ? items[i].stat->get_input_obj() : nullptr;
        if (input && input->get_id() == id)
            return &items[i];
    }
    return nullptr;
}

bool Stat_decorations::select(unsigned short id, bool selected)
{
    Item* item = find_item(id);
    if (!item)
        return false;
    give_look(item->frame, selected ? selected_look : unselected_look);
    return true;
}
