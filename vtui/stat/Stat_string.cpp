#include "vtui/stat/Stat_string.h"

#include "util/Debug_base.h"
#include "util/Debug_print.h"
#include "vtui/helpers/Font_cell.h"
#include "vtui/stat/Stat_dyn.h"
#include "vtui/stat/Stat_user.h"

#include <algorithm>
#include <cstring>
#include <vector>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

namespace {
const char* const SOURCE = "vtui/stat/Stat_string";
constexpr auto VT37 = _JDB::VTUI_37;

} // namespace

Stat_string::Stat_string() : text(buffer, sizeof buffer), next_update(Atime::now())
{
    buffer[0] = 0;
}

bool Stat_string::init(Stat_collector* col, VT::Input_string_obj* i, VT::Output_string_obj* o,
                       VT::String_variable_obj* v, VT::Object_pointer_obj* p, VT::Object_pool* pool, int interval)
{
    in = i;
    out = o;
    var = v;
    ptr = p;
    font = nullptr;
    if (pool) {
        unsigned short font_id = in ? in->get_font_attributes() : out ? out->get_font_attributes() : NULL_ID;
        if (font_id != NULL_ID)
            font = pool->find<VT::Font_attributes_obj>(font_id);
    }
    update_interval = interval;
    dirty = false;
    decide_shape();
    setup(col);
    return true;
}

bool Stat_string::init(Stat_collector* col, VT::Output_string_obj* o, VT::Object_pool* pool, int interval)
{
    return init(col, nullptr, o, nullptr, nullptr, pool, interval);
}

bool Stat_string::init(Stat_collector* col, VT::Input_string_obj* i, VT::Object_pool* pool, int interval)
{
    return init(col, i, nullptr, nullptr, nullptr, pool, interval);
}

void Stat_string::decide_shape()
{
    if (in && out && ptr)
        shape = SHAPE_POINTER;
    else if (in)
        shape = SHAPE_INPUT;
    else
        shape = SHAPE_OUTPUT;
}

Stat_string& Stat_string::operator=(const char* s)
{
    text = s ? s : "";
    dirty = true;
    return *this;
}

Stat_string& Stat_string::operator=(const String_base& s)
{
    text = s;
    dirty = true;
    return *this;
}

char& Stat_string::operator[](int i)
{
    dirty = true;
    return text[i];
}

int Stat_string::update_val(update_modes)
{
    if (!dirty)
        return 0;
    if (update_interval > 0) {
        Atime t = now();
        if (t < next_update)
            return 1;
        next_update = t + update_interval;
    }
    if (var) {
        var->set_string(text.c_str());
    } else {
        if (out)
            out->__set_string(text.c_str(), 2);
        if (in)
            in->set_string(text.c_str());
    }
    dirty = false;
    return 0;
}

void Stat_string::force_send_update()
{
    next_update = now();
    update_val(UPDATE_NORMAL);
}

bool Stat_string::update_from_input(unsigned int length, Stat_user* user)
{
    if (!user) {
        Debug_print::dprint("ERROR no screen supplied\n");
        return false;
    }
    const char* source;
    const char* label;
    if (var) {
        source = var->get_string();
        label = "UFI var: [";
    } else if (in) {
        source = in->get_string();
        label = "UFI str: [";
    } else {
        return false;
    }
    // The VT's length is not trusted: no more than the object holds and the
    // stat can keep.
    size_t n = std::min<size_t>({length, std::strlen(source), size_t(MAX_CHARS)});
    char copy[MAX_CHARS + 1];
    JDB::print(VT37, "%s", label);
    for (size_t k = 0; k < n; ++k) {
        copy[k] = source[k];
        JDB::print(VT37, "%c", source[k]);
    }
    JDB::print(VT37, "]\n");
    copy[n] = 0;
    while (n > 0 && copy[n - 1] == ' ')
        copy[--n] = 0;
    *this = copy;
    update_val(UPDATE_NORMAL);
    user->handle_stat_string_update(this);
    return true;
}

bool Stat_string::update_from_string(const char* vt_text, unsigned int length, Stat_user* user)
{
    VT::VT_obj* source = var ? static_cast<VT::VT_obj*>(var) : static_cast<VT::VT_obj*>(in);
    if (source && vt_text) {
        char copy[MAX_CHARS + 1];
        size_t n = std::min<size_t>(length, MAX_CHARS);
        std::memcpy(copy, vt_text, n);
        copy[n] = 0;
        if (VT::Object_pool* pool = source->get_pool())
            pool->set_string(source, 0, copy, false, 2);
        length = unsigned(std::strlen(copy));
    }
    return update_from_input(length, user);
}

void Stat_string::set_string_var()
{
    if (!var)
        return;
    if (out)
        out->set_variable_reference(var->get_id());
    if (in)
        in->set_variable_reference(var->get_id());
}

int Stat_string::get_len() const
{
    if (var)
        return var->num_chars();
    if (out)
        return out->get_length();
    if (in)
        return in->get_length();
    return 0;
}

int Stat_string::get_character_width() const
{
    return font_cell_width(font);
}

int Stat_string::get_character_height() const
{
    return font_cell_height(font);
}

bool Stat_string::_set_editable(bool e)
{
    if (ptr) {
        VT::VT_obj* look = e ? static_cast<VT::VT_obj*>(in) : static_cast<VT::VT_obj*>(out);
        if (look)
            ptr->set_value(look->get_id());
    }
    return e;
}

void Stat_string::set_hidden(bool hidden)
{
    if (!hidden)
        _set_editable(editable_);
    else if (ptr)
        ptr->set_value(NULL_ID);
}

int Stat_string::get_width() const
{
    return width_of(out ? static_cast<VT::VT_obj*>(out) : static_cast<VT::VT_obj*>(in));
}

int Stat_string::get_height() const
{
    return height_of(out ? static_cast<VT::VT_obj*>(out) : static_cast<VT::VT_obj*>(in));
}

bool Stat_string::dyn_create_objects(VT::Object_pool* pool, int length, bool input, bool output, bool variable,
                                     bool pointer)
{
    length = std::max(0, std::min(length, MAX_CHARS));
    std::string blanks(size_t(length), ' ');
    if (variable)
        var = Stat_dyn::create<VT::String_variable_obj>(pool, SOURCE, "SsV", "string_var", blanks.c_str(), length);
    unsigned short var_ref = var ? var->get_id() : NULL_ID;
    // With a variable the objects carry no value of their own.
    const char* own = var ? "" : blanks.c_str();
    if (input)
        in = Stat_dyn::create<VT::Input_string_obj>(pool, SOURCE, "SsI", "input_string", 200, 200, 0, NULL_ID,
                                                   NULL_ID, 3, var_ref, 2, own, true);
    if (output)
        out = Stat_dyn::create<VT::Output_string_obj>(pool, SOURCE, "SsO", "output_string", 200, 200, 0, NULL_ID,
                                                     3, var_ref, 2, own);
    if (pointer)
        ptr = Stat_dyn::create<VT::Object_pointer_obj>(pool, SOURCE, "SsP", "object_pointer", NULL_ID);
    return true;
}

bool Stat_string::dyn_init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* f, int interval)
{
    Stat_dyn::check(pool != nullptr, SOURCE, "pool");
    font = f;
    if (var)
        pool->upload(var);
    if (out) {
        if (font)
            out->set_font_attributes(font->get_id());
        pool->upload(out);
    }
    if (in) {
        if (font)
            in->set_font_attributes(font->get_id());
        pool->upload(in);
    }
    dirty = false;
    update_interval = interval;
    decide_shape();
    if (ptr)
        pool->upload(ptr);
    setup(col);
    return true;
}
