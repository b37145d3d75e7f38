#include "vtui/pui/PUI_Client.h"

#include "util/Debug_base.h"
#include "vtui/pui/PUI_Widget.h"

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace UI {
namespace PUI {

Client::~Client()
{
    if (widget && widget->get_client() == this)
        widget->set_client(nullptr);
}

void Client::init(Stat_collector* col, VT::Font_attributes_obj* f, unsigned width, unsigned height)
{
    font = f;
    design_width = width;
    design_height = height;
    setup(col);
}

VT::Font_attributes_obj* Client::get_font() const
{
    if (font)
        return font;
    return widget ? widget->get_font() : nullptr;
}

int Client::get_width() const
{
    VT::Object_pool* pool = widget ? widget->get_container()->get_pool() : nullptr;
    unsigned x = pool ? unsigned(pool->get_x_res()) : unsigned(VT::Object_pool::DEFAULT_ACTIVE_AREA_X);
    return int(design_width * x / unsigned(VT::Object_pool::DEFAULT_ACTIVE_AREA_X));
}

int Client::get_height() const
{
    VT::Object_pool* pool = widget ? widget->get_container()->get_pool() : nullptr;
    unsigned y = pool ? unsigned(pool->get_y_res()) : unsigned(VT::Object_pool::DEFAULT_ACTIVE_AREA_Y);
    return int(design_height * y / unsigned(VT::Object_pool::DEFAULT_ACTIVE_AREA_Y));
}

unsigned short Client::get_object_id() const
{
    return widget && widget->get_container() ? widget->get_container()->get_id() : NULL_ID;
}

bool Client::update(update_t kind, int iid)
{
    if (widget)
        widget->update(kind, iid);
    return changed;
}

void Client::value_update(unsigned char iid, double value)
{
    if (widget)
        handle_value_update(iid, value);
}

void Client::value_update(unsigned char iid, const String_base& text)
{
    if (widget)
        handle_value_update(iid, text);
}

bool Client::handle_value_update(unsigned char iid, double value)
{
    JDB::print(_JDB::VTUI_59, "BASE Get number update %d = %f\n", int(iid), value);
    return true;
}

bool Client::handle_value_update(unsigned char iid, const String_base& text)
{
    JDB::print(_JDB::VTUI_59, "BASE Get string update %d = %s\n", int(iid), text.c_str());
    return true;
}

int Client::update_val(update_modes)
{
    changed = false;
    if (!widget || !widget->get_container())
        return false;
    Stat_collector& col = widget->get_stats();
    for (Stat* s = col.first(); s; s = col.next(s)) {
        if (s->val_up_to_date())
            continue;
        s->update_val(UPDATE_NORMAL);
        if (!s->val_up_to_date())
            changed = true;
    }
    return changed;
}

bool Client::can_update_from_id(unsigned short id) const
{
    if (!widget || !widget->get_container())
        return false;
    Stat_collector& col = widget->get_stats();
    for (Stat* s = col.first(); s; s = col.next(s)) {
        if (s->can_update_from_id(id)) {
            cid = widget->get_cid_from_stat(s);
            return true;
        }
    }
    return false;
}

bool Client::handle_select_input(unsigned short id, bool selected)
{
    if (widget && can_update_from_id(id)) {
        widget->select_rectangle(selected ? cid - widget->get_first() : -1, true);
        cid = -1;
    }
    return false;
}

bool Client::update_from_input(unsigned int value, Stat_user* user)
{
    if (!widget || !widget->get_container())
        return false;
    Item* item = widget->get_item_from_cid(cid);
    int at = cid;
    cid = 0;
    return item ? item->update_from_input(*this, at, value, user) : false;
}

} // namespace PUI
} // namespace UI
