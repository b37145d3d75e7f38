#include "vtui/pui/PUI_Item.h"

#include "util/Debug_base.h"
#include "util/Debug_print.h"
#include "vtui/helpers/Font_cell.h"
#include "vtui/helpers/Units_man.h"
#include "vtui/pui/PUI_Container.h"
#include "vtui/pui/PUI_Widget.h"
#include "vtui/pui/PUI_Writes.h"
#include "vtui/stat/Stat_dyn.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace UI {
namespace PUI {

namespace {
const char* const SOURCE = "vtui/pui/PUI_Item";
constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;

VT::Output_string_obj* make_text(VT::Object_pool* pool, const char* prefix)
{
    return Stat_dyn::create<VT::Output_string_obj>(pool, SOURCE, prefix, "output_string", 200, 200, 0, NULL_ID, 3,
                                                   NULL_ID, 0, "");
}

// The shortest line a text can be broken to, in characters.
int min_line_chars(const VT::String_variable_obj* var)
{
    return var->min_line_chars > 0 ? std::min(var->min_line_chars, var->num_chars()) : var->num_chars();
}

// The rows a text takes at `per_row` characters a row.
int text_rows(const VT::String_variable_obj* var, int per_row)
{
    int rows = std::max(var->num_rows, 1);
    if (per_row > 0)
        rows = std::max(rows, (var->num_chars() + per_row - 1) / per_row);
    return rows;
}

// The units record of the number's format in force, and that format.
const Stat_num_format& format_in_force(Client& c, const Number_setup& ns, Stat_units** record)
{
    Units_man* units = c.get_widget() ? c.get_widget()->get_units() : nullptr;
    *record = nullptr;
    if (!units)
        return ns.format[0];
    bool metric = units->get_system_type(ns.format[0].units) == Units_man::UNITS_METRIC;
    const Stat_num_format& f = metric ? ns.format[0] : ns.format[1];
    *record = &units->get(f.units);
    return f;
}
} // namespace

// ---- Item ----

Item::Item(VT::Object_pool* pool)
{
    container = Stat_dyn::create<VT::Container_obj>(pool, SOURCE, "PUIICnt", "container", 200, 200, false);
    for (int i = 0; i < NUM_CHILDREN; ++i)
        container->add_child(Widget::get_dummy_oid(), 0, 0);
    pre = make_text(pool, "PUIIPre");
    post = make_text(pool, "PUIIPst");
}

void Item::init(VT::Object_pool* pool, VT::Font_attributes_obj* font)
{
    for (VT::VT_obj* o : {static_cast<VT::VT_obj*>(container), static_cast<VT::VT_obj*>(pre),
                          static_cast<VT::VT_obj*>(post)})
        pool->upload(o);
    use_font(pre, font);
    use_font(post, font);
    reset();
}

unsigned short Item::fix_null_obj(unsigned short oid)
{
    return oid == NULL_ID ? Widget::get_dummy_oid() : oid;
}

void Item::reset()
{
    for (int i = 0; i < NUM_CHILDREN; ++i)
        set_container(i, Widget::get_dummy_oid(), 0, 0);
}

void Item::set_container(int child, unsigned short oid, int x, int y)
{
    if (!container || child < 0 || child >= container->num_children())
        return;
    if (container->get_child_id(child) != oid) {
        container->set_child_at(child, oid, short(x), short(y));
        container->get_pool()->upload(container);
    } else if (container->get_child_x(child) != x || container->get_child_y(child) != y) {
        container->set_child_position(oid, short(x), short(y));
    }
}

void Item::clear_container(int child)
{
    if (container && child >= 0 && child < container->num_children() &&
        container->get_child_id(child) != Widget::get_dummy_oid())
        set_container(child, Widget::get_dummy_oid(), 0, 0);
}

void Item::caption_width(Item_setup& setup, int& min, int& max)
{
    min = max = setup.caption ? width_of_obj(setup.caption) : 0;
}

void Item::text_width(VT::String_variable_obj* var, VT::Font_attributes_obj* font, int& min, int& max)
{
    if (!var || !font) {
        min = max = 0;
        return;
    }
    int cell = font_cell_width(font);
    min = cell * min_line_chars(var);
    max = cell * var->num_chars();
    if (max < min) {
        JDB::print(_JDB::VTUI_59, "Why was max < min\n");
        max = min;
    }
}

int Item::text_height(VT::String_variable_obj* var, VT::Font_attributes_obj* font, int width)
{
    if (!var || !font)
        return 0;
    int cell = font_cell_width(font);
    return font_cell_height(font) * text_rows(var, cell ? width / cell : 0);
}

void Item::get_field_width(int field, Client& c, int iid, Item_setup& setup, int& min, int& max)
{
    switch (field) {
    case FIELD_CAPTION: caption_width(setup, min, max); return;
    case FIELD_PRE: text_width(setup.pre_string, setup.pre_font, min, max); return;
    case FIELD_POST:
        if (setup.type == ITEM_NUMBER && Number::post_width(c, iid, setup, min, max))
            return;
        text_width(setup.post_string, setup.post_font, min, max);
        return;
    default: break;
    }
    switch (setup.type) {
    case ITEM_PLAIN: min = max = 0; break;
    case ITEM_NUMBER: Number::value_width(c, iid, setup, min, max); break;
    case ITEM_BOOL: {
        int s;
        if (Bool::value_size(c, iid, s))
            min = max = s;
        break;
    }
    case ITEM_LIST: List::value_width(c, iid, setup, min, max); break;
    case ITEM_STRING: String::value_width(c, iid, setup, min, max); break;
    case ITEM_CONTAINER: Container::value_width(c, iid, min, max); break;
    default:
        JDB::print(_JDB::VTUI_59, "Bad type %d\n", setup.type);
        min = max = 0;
        break;
    }
}

int Item::get_field_height(int field, Client& c, int iid, Item_setup& setup, int width)
{
    switch (field) {
    case FIELD_CAPTION: return setup.caption ? height_of_obj(setup.caption) : 0;
    case FIELD_PRE: return text_height(setup.pre_string, setup.pre_font, width);
    case FIELD_POST:
        if (setup.type == ITEM_NUMBER) {
            int h = Number::post_height(c, iid, setup, width);
            if (h >= 0)
                return h;
        }
        return text_height(setup.post_string, setup.post_font, width);
    default: break;
    }
    switch (setup.type) {
    case ITEM_NUMBER: return font_cell_height(setup.value_font);
    case ITEM_BOOL: {
        int s = 0;
        return Bool::value_size(c, iid, s) ? s : 0;
    }
    case ITEM_LIST: return List::value_height(c, iid, setup, width);
    case ITEM_STRING: return String::value_height(c, iid, setup, width);
    case ITEM_CONTAINER: return Container::value_height(c, iid, setup, width);
    default: return 0;
    }
}

int Item::get_height(Client& c, int iid, Item_setup& setup, geometry_t& geo)
{
    int h = 0;
    for (int f = 0; f < NUM_FIELDS; ++f)
        h = std::max(h, get_field_height(f, c, iid, setup, geo.field[f].width));
    return h;
}

int Item::get_item_width(Client& c, int iid, Item_setup& setup, int avail)
{
    int min = 0, max = 0;
    get_field_width(FIELD_VALUE, c, iid, setup, min, max);
    return std::min(max, avail);
}

void Item::show_text(VT::Output_string_obj* out, VT::String_variable_obj* var, VT::Font_attributes_obj* font,
                     unsigned char background, int x, int width, int height, int& child)
{
    if (var)
        refer(out, var->get_id());
    use_font(out, font);
    resize(out, width, height);
    unsigned char options = background ? 2 : 3;
    if (out->get_options() != options)
        out->set_options(options);
    if (background && out->get_background_colour() != background)
        out->set_background_colour(background);
    set_container(child++, out->get_id(), x, 0);
}

void Item::draw(Widget&, Client& c, int iid, Item_setup& setup, geometry_t& geo, int width, int height)
{
    resize(container, width, height);
    caption_index = NO_CAPTION;
    int child = 0;
    const auto& f = geo.field;
    if (setup.caption && f[FIELD_CAPTION].width > 0) {
        set_container(0, setup.caption->get_id(), f[FIELD_CAPTION].x, 0);
        caption_index = 0;
        child = 1;
    }
    unsigned short value = get_item_obj();
    if (value != NULL_ID && f[FIELD_VALUE].width > 0) {
        int w = get_item_width(c, iid, setup, f[FIELD_VALUE].width);
        set_container(child++, value, f[FIELD_VALUE].x + f[FIELD_VALUE].width - w, 0);
    }
    if (setup.pre_string && f[FIELD_PRE].width > 0) {
        show_text(pre, setup.pre_string, setup.pre_font, setup.pre_background, f[FIELD_PRE].x, f[FIELD_PRE].width,
                  height, child);
    } else {
        refer(pre, NULL_ID);
        resize(pre, 0, height);
    }
    if ((setup.post_string || force_draw_post(c, iid, setup)) && f[FIELD_POST].width >= 1) {
        show_text(post, setup.post_string, setup.post_font, setup.post_background, f[FIELD_POST].x,
                  f[FIELD_POST].width, height, child);
    } else {
        refer(post, NULL_ID);
        resize(post, 0, height);
    }
    // Children left from an earlier draw of this pooled item go.
    for (; child < NUM_CHILDREN; ++child)
        clear_container(child);
}

void Item::update(Widget&, update_t kind, Client& c, int iid)
{
    Item_setup setup(c.get_font());
    c.get_item_setup(uint8_t(iid), setup);
    switch (kind) {
    case UPDATE_CAPTION:
        if (caption_index != NO_CAPTION && setup.caption && container->get_child_id(0) != setup.caption->get_id())
            set_container(0, setup.caption->get_id(), container->get_child_x(0), 0);
        break;
    case UPDATE_PRE:
        if (setup.pre_string)
            pre->set_variable_reference(setup.pre_string->get_id());
        break;
    case UPDATE_POST:
        if (setup.post_string)
            post->set_variable_reference(setup.post_string->get_id());
        break;
    default: break;
    }
}

void Item::redraw_value(Widget& w, Client& c, int iid)
{
    Item_setup setup(c.get_font());
    c.get_item_setup(uint8_t(iid), setup);
    draw_value(w, c, iid, setup);
}

bool Item::update_from_input(Client&, int iid, unsigned value, Stat_user*)
{
    Debug_print::dprint("Unhandled update_from_input(%p, %d, %u)\n", static_cast<void*>(this), iid, value);
    return false;
}

bool Item::update_from_text(Client& c, int iid, const char*, unsigned length, Stat_user* user)
{
    return update_from_input(c, iid, length, user);
}

int Item::width_of_obj(const VT::VT_obj* o)
{
    unsigned short w = 0, h = 0;
    o->get_size(w, h);
    return w;
}

int Item::height_of_obj(const VT::VT_obj* o)
{
    unsigned short w = 0, h = 0;
    o->get_size(w, h);
    return h;
}

// ---- Number ----

Number::Number(VT::Object_pool* pool) : Value_item(pool)
{
    stat.dyn_create_objects(pool, true, true, true, true);
}

void Number::init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font)
{
    Item::init(pool, font);
    Stat_dyn::check(font != nullptr, "vtui/pui/PUI_Number", "font");
    stat.dyn_init(pool, col, font, post);
    Stat_dyn::check(stat.get_input_obj() != nullptr, "vtui/pui/PUI_Number", "stat.input_num_obj");
    Stat_dyn::check(stat.get_object_id() != NULL_ID, "vtui/pui/PUI_Number", "stat.output_num_obj");
    Stat_dyn::check(stat.get_var_id() != NULL_ID, "vtui/pui/PUI_Number", "stat.variable_obj");
    Stat_dyn::check(stat.get_ptr_id() != NULL_ID, "vtui/pui/PUI_Number", "stat.obj_pointer");
    stat.set_editable(false);
}

int Number::digits(double x)
{
    int n = 1;
    double a = std::fabs(x);
    while (a >= 10) {
        a /= 10;
        ++n;
    }
    return x < 0 ? n + 1 : n;
}

bool Number::value_width(Client& c, int iid, Item_setup& setup, int& min, int& max)
{
    Number_setup ns;
    if (!c.get_number_setup(uint8_t(iid), ns, false))
        return false;
    Stat_units* record;
    const Stat_num_format& f = format_in_force(c, ns, &record);
    double factor = record ? Units_man::factor_of(*record) : 1.0;
    int n = std::max(digits(factor * ns.min), digits(factor * ns.max));
    if (f.decimals > 0)
        n += f.decimals + 1;
    min = max = std::max(n, ns.min_width_chars) * font_cell_width(setup.value_font);
    return true;
}

bool Number::post_width(Client& c, int iid, Item_setup& setup, int& min, int& max)
{
    Number_setup ns;
    if (!c.get_number_setup(uint8_t(iid), ns, false) || !ns.show_units)
        return false;
    Stat_units* record;
    format_in_force(c, ns, &record);
    int len = record && record->obj ? record->obj->num_chars() : 0;
    int cell = font_cell_width(setup.post_font);
    max = cell * len;
    min = cell * std::min(len, 5);
    return true;
}

int Number::post_height(Client& c, int iid, Item_setup& setup, int width)
{
    Number_setup ns;
    if (!c.get_number_setup(uint8_t(iid), ns, false) || !ns.show_units)
        return -1;
    Stat_units* record;
    format_in_force(c, ns, &record);
    return text_height(record ? record->obj : nullptr, setup.post_font, width);
}

bool Number::force_draw_post(Client& c, int iid, Item_setup&)
{
    Number_setup ns;
    return c.get_number_setup(uint8_t(iid), ns, false) && ns.show_units;
}

void Number::draw_value(Widget& w, Client& c, int iid, Item_setup& setup)
{
    Number_setup ns;
    if (!c.get_number_setup(uint8_t(iid), ns, false))
        return;
    int width = get_item_width(c, iid, setup, value_w);
    VT::Object_pool* pool = container->get_pool();
    auto* in = static_cast<VT::Input_number_obj*>(stat.get_input_obj());
    auto* out = pool->find<VT::Output_number_obj>(stat.get_object_id());
    set_editable(stat, setup.editable);
    if (setup.editable && in) {
        resize(in, width, value_h);
        if (in->get_input_options() != uint8_t(ns.options))
            in->set_input_options(uint8_t(ns.options));
    } else if (out) {
        resize(out, width, value_h);
    }
    // The format goes to the VT again only when it changed.
    Applied now{ns.format[0], ns.format[1], ns.min, ns.max, ns.show_units, setup.value_font, w.get_units()};
    if (!applied || !(now == last)) {
        stat.dyn_set_format(ns.format[0], ns.format[1], setup.value_font, 1000, Stat_num::RAW_MAX, 0);
        stat.set_range(ns.min, ns.max);
        if (Units_man* units = w.get_units())
            stat.set_units(*units, ns.show_units);
        stat.setup_objs();
        stat.update_scale();
        last = now;
        applied = true;
        stat.set_val(ns.value);
        stat.force_send_update();
    } else if (stat.set_val(ns.value)) {
        stat.force_send_update();
    }
}

bool Number::Applied::operator==(const Applied& o) const
{
    auto same = [](const Stat_num_format& a, const Stat_num_format& b) {
        return a.units == b.units && a.scale == b.scale && a.decimals == b.decimals;
    };
    return same(metric, o.metric) && same(imperial, o.imperial) && min == o.min && max == o.max &&
           show_units == o.show_units && font == o.font && units == o.units;
}

int Number::drawn_value_height(Client&, int, Item_setup& setup)
{
    return font_cell_height(setup.value_font);
}

void Number::refresh_value(Client& c, int iid)
{
    Number_setup ns;
    if (c.get_number_setup(uint8_t(iid), ns, true) && stat.set_val(ns.value))
        c.set_changed();
}

void Number::report(Client& c, int iid)
{
    c.value_update(uint8_t(iid), stat.get_stat_val());
}

// ---- Bool ----

Bool::Bool(VT::Object_pool* pool) : Value_item(pool)
{
    stat.dyn_create_objects(pool, true, true);
    bool_container = Stat_dyn::create<VT::Container_obj>(pool, "vtui/pui/PUI_Bool", "PUIBCnt", "container", 200, 200,
                                                         false);
    bool_container->add_child(Widget::get_dummy_oid(), 0, 0);
}

void Bool::init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font)
{
    Item::init(pool, font);
    stat.dyn_init(pool, col, font);
    Stat_dyn::check(stat.get_input_obj() != nullptr, "vtui/pui/PUI_Bool", "stat.input_bool_obj");
    Stat_dyn::check(stat.get_object_id() != NULL_ID, "vtui/pui/PUI_Bool", "stat.pointer_obj");
    stat.set_editable(false);
    bool_container->set_child_at(0, stat.get_input_obj()->get_id(), 0, 0);
    pool->upload(bool_container);
}

bool Bool::value_size(Client& c, int iid, int& size)
{
    Bool_setup bs;
    if (!c.get_bool_setup(uint8_t(iid), bs, false))
        return false;
    size = 0;
    for (VT::VT_obj* look : {bs.true_look, bs.false_look}) {
        if (look)
            size = std::max({size, width_of_obj(look), height_of_obj(look)});
    }
    return true;
}

void Bool::draw_value(Widget&, Client& c, int iid, Item_setup& setup)
{
    Bool_setup bs;
    if (!c.get_bool_setup(uint8_t(iid), bs, false))
        return;
    bool new_looks = bs.true_look != true_look || bs.false_look != false_look;
    stat.dyn_set_format(bs.true_look, bs.false_look, nullptr, nullptr);
    true_look = bs.true_look;
    false_look = bs.false_look;
    set_editable(stat, setup.editable);
    int width = get_item_width(c, iid, setup, value_w);
    if (auto* in = static_cast<VT::Input_boolean_obj*>(stat.get_input_obj()))
        resize(in, width, width);
    if (new_looks || stat.get() != bs.value)
        stat.set(bs.value);
}

void Bool::refresh_value(Client& c, int iid)
{
    Bool_setup bs;
    if (c.get_bool_setup(uint8_t(iid), bs, true) && bs.value != stat.get()) {
        stat.set(bs.value);
        c.set_changed();
    }
}

void Bool::report(Client& c, int iid)
{
    c.value_update(uint8_t(iid), stat.get() ? 1.0 : 0.0);
}

// ---- List ----

List::List(VT::Object_pool* pool, int capacity) : Value_item(pool)
{
    capacity = std::max(capacity, 1);
    stat.dyn_create_objects(pool, capacity, true, true);
    for (int i = 0; i < capacity; ++i)
        entries.push_back(make_text(pool, "PUILoS"));
}

void List::init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font)
{
    Item::init(pool, font);
    stat.dyn_init(pool, col);
    stat.set_editable(false);
    for (VT::Output_string_obj* e : entries) {
        if (font)
            e->set_font_attributes(font->get_id());
        pool->upload(e);
    }
    if (VT::Input_list_obj* l = stat.get_list())
        for (int i = 0; i < l->num_items(); ++i)
            l->set_child_objects_val(unsigned(i), NULL_ID, false);
}

bool List::value_width(Client& c, int iid, Item_setup& setup, int& min, int& max)
{
    List_setup ls;
    min = max = 0;
    if (!c.get_list_setup(uint8_t(iid), ls, false))
        return false;
    int cmax = 0, lmax = 0;
    for (int i = 0; i < ls.count; ++i) {
        bool show = true;
        if (VT::String_variable_obj* v = c.get_list_item(uint8_t(iid), i, show)) {
            cmax = std::max(cmax, v->num_chars());
            lmax = std::max(lmax, min_line_chars(v));
        }
    }
    int cell = font_cell_width(setup.value_font);
    max = cell * cmax;
    min = std::min(cell * lmax, max);
    return true;
}

int List::value_height(Client& c, int iid, Item_setup& setup, int width)
{
    List_setup ls;
    if (!c.get_list_setup(uint8_t(iid), ls, false))
        return 0;
    int cell = font_cell_width(setup.value_font);
    int rows = 0;
    for (int i = 0; i < ls.count; ++i) {
        bool show = true;
        if (VT::String_variable_obj* v = c.get_list_item(uint8_t(iid), i, show))
            rows = std::max(rows, text_rows(v, cell ? width / cell : 0));
    }
    return font_cell_height(setup.value_font) * rows;
}

void List::draw_value(Widget&, Client& c, int iid, Item_setup& setup)
{
    List_setup ls;
    VT::Input_list_obj* l = stat.get_list();
    if (!l || !c.get_list_setup(uint8_t(iid), ls, false))
        return;
    int width = get_item_width(c, iid, setup, value_w);
    resize(l, width, value_h);
    int n = int(entries.size());
    for (int i = 0; i < n && i < l->num_items(); ++i) {
        bool show = true;
        VT::String_variable_obj* v = i < ls.count ? c.get_list_item(uint8_t(iid), i, show) : nullptr;
        if (v && show) {
            VT::Output_string_obj* e = entries[size_t(i)];
            if (l->get_child_objects_val(unsigned(i)) != e->get_id())
                l->set_child_objects_val(unsigned(i), e->get_id(), true);
            refer(e, v->get_id());
            use_font(e, setup.value_font);
            resize(e, width, value_h);
            if (e->get_justification() != ls.justification)
                e->set_justification(ls.justification);
        } else if (l->get_child_objects_val(unsigned(i)) != NULL_ID) {
            l->set_child_objects_val(unsigned(i), NULL_ID, true);
        }
    }
    set_editable(stat, setup.editable);
    in_use = std::min(ls.count, n);
    if (!item_shown || stat.get_item() != ls.selected) {
        stat.set_item(ls.selected);
        item_shown = true;
    }
}

void List::refresh_value(Client& c, int iid)
{
    List_setup ls;
    if (c.get_list_setup(uint8_t(iid), ls, true) && ls.selected != stat.get_item()) {
        stat.set_item(ls.selected);
        c.set_changed();
    }
}

void List::report(Client& c, int iid)
{
    c.value_update(uint8_t(iid), double(stat.get_item()));
}

// ---- String ----

String::String(VT::Object_pool* pool) : Value_item(pool)
{
    stat.dyn_create_objects(pool, LENGTH, true, true, true, true);
}

void String::init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font)
{
    Item::init(pool, font);
    stat.dyn_init(pool, col, font, 1000);
    stat.set_editable(false);
}

bool String::value_width(Client& c, int iid, Item_setup& setup, int& min, int& max)
{
    String_setup ss;
    min = max = 0;
    if (!c.get_string_setup(uint8_t(iid), ss, false))
        return false;
    int cell = font_cell_width(setup.value_font);
    max = cell * ss.length;
    min = std::min(3 * cell, max);
    return true;
}

int String::value_height(Client& c, int iid, Item_setup& setup, int width)
{
    String_setup ss;
    if (!c.get_string_setup(uint8_t(iid), ss, false))
        return 0;
    int cell = font_cell_width(setup.value_font);
    int h = font_cell_height(setup.value_font);
    // A field narrower than one character still holds one a row.
    int per_row = cell ? std::max(width / cell, 1) : 1;
    if (ss.length < per_row)
        return h;
    return h * ((ss.length * 5) / (per_row * 4));
}

void String::draw_value(Widget&, Client& c, int iid, Item_setup& setup)
{
    String_setup ss;
    if (!c.get_string_setup(uint8_t(iid), ss, false))
        return;
    VT::Object_pool* pool = container->get_pool();
    int width = get_item_width(c, iid, setup, value_w);
    if (setup.editable) {
        if (auto* in = pool->find<VT::Input_string_obj>(stat.get_in_object_id())) {
            resize(in, width, value_h);
            use_font(in, setup.value_font);
        }
    } else if (auto* out = pool->find<VT::Output_string_obj>(stat.get_object_id())) {
        resize(out, width, value_h);
        use_font(out, setup.value_font);
    }
    set_editable(stat, setup.editable);
    int length = std::max(0, std::min(ss.length, int(LENGTH)));
    if (auto* var = pool->find<VT::String_variable_obj>(stat.get_var_id()))
        if (var->num_chars() != length)
            var->set_length(length);
    if (!(stat.get_text() == ss.text.c_str()))
        stat = ss.text;
    stat.force_send_update();
}

void String::refresh_value(Client& c, int iid)
{
    String_setup ss;
    if (c.get_string_setup(uint8_t(iid), ss, true))
        stat = ss.text;
    c.set_changed();
}

void String::report(Client& c, int iid)
{
    c.value_update(uint8_t(iid), stat.get_text());
}

bool String::update_from_text(Client& c, int iid, const char* text, unsigned length, Stat_user* user)
{
    bool r = stat.update_from_string(text, length, user);
    report(c, iid);
    return r;
}

} // namespace PUI
} // namespace UI
