#include "vtui/stat/Stat_num.h"

#include "util/Debug_print.h"
#include "vtui/stat/Stat_user.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// A broken set-up of the program itself, never caused by the VT or the
// operator.
void check(bool ok, const char* condition, int line)
{
    if (ok)
        return;
    Debug_print::bprint("ASSERT vtui/stat/Stat_num:%d %s\n", line, condition);
    std::abort();
}
#define STAT_NUM_CHECK(c) check((c), #c, __LINE__)

bool is_distance(int units)
{
    return units == Units_man::UNITS_DISTANCE || units == Units_man::UNITS_DISTANCE_SM ||
           units == Units_man::UNITS_DISTANCE_LG;
}

// A units factor of the table as the VT can use it (the count-per-area type
// has none).
double usable(double k)
{
    return k != 0.0 ? k : 1.0;
}

// A number of counts (value / scale), rounded, held far from the limits of
// the integer types.
int64_t counts_of(double x)
{
    constexpr double far = 4294967296.0;
    return int64_t(std::rint(std::max(-far, std::min(far, x))));
}

// The counts lo..hi on raw values from 0 up: offset 0 when no count is
// negative, else the lowest count. A span wider than Stat_num::RAW_MAX is
// cut at its top (the values above show as the highest).
void encode(Stat_num_format& f, int64_t lo, int64_t hi)
{
    const int64_t widest = Stat_num::RAW_MAX;
    lo = std::max(lo, -widest);
    hi = std::max(hi, lo);
    f.offset = int(std::min<int64_t>(lo, 0));
    if (hi - f.offset > widest) {
        Debug_print::dprint("Stat_num: counts %lld..%lld cut to %lld raw steps\n", (long long)lo, (long long)hi,
                            (long long)widest);
        hi = f.offset + widest;
        lo = std::min(lo, hi);
    }
    f.raw_min = unsigned(lo - f.offset);
    f.raw_max = unsigned(hi - f.offset);
}

// The raw value of a number of counts in a format, within its raw limits.
unsigned raw_of(const Stat_num_format& f, double counts)
{
    const int64_t raw = counts_of(counts) - f.offset;
    return unsigned(std::max<int64_t>(f.raw_min, std::min<int64_t>(f.raw_max, raw)));
}

} // namespace

Stat_num::Stat_num() : next_update_(Atime::now()) {}

bool Stat_num::refuse(const char* what)
{
    Debug_print::dprint("Stat_num: %s missing, stat left inactive\n", what);
    in_ = nullptr;
    out_ = nullptr;
    var_ = nullptr;
    ptr_ = nullptr;
    return false;
}

bool Stat_num::init(Stat_collector* col, int interval, Stat_num_format metric, Stat_num_format imperial,
                    VT::Number_variable_obj* var, unsigned raw_max, unsigned raw_min, VT::Object_pool* pool,
                    VT::Output_string_obj* units_text)
{
    if (!var)
        return refuse("number variable");
    var_ = var;
    _init(col, interval, metric, imperial, raw_max, raw_min, pool, UPDATE_NORMAL, units_text);
    return true;
}

bool Stat_num::init(Stat_collector* col, VT::Input_number_obj* in, int interval, Stat_num_format metric,
                    Stat_num_format imperial, VT::Number_variable_obj* var, unsigned raw_max, unsigned raw_min,
                    VT::Object_pool* pool, VT::Output_string_obj* units_text)
{
    if (!in)
        return refuse("input number");
    in_ = in;
    var_ = var;
    _init(col, interval, metric, imperial, raw_max, raw_min, pool, UPDATE_NORMAL, units_text);
    return true;
}

bool Stat_num::init(Stat_collector* col, VT::Output_number_obj* out, int interval, Stat_num_format metric,
                    Stat_num_format imperial, VT::Number_variable_obj* var, unsigned raw_max, unsigned raw_min,
                    VT::Object_pool* pool, VT::Output_string_obj* units_text)
{
    if (!out)
        return refuse("output number");
    out_ = out;
    var_ = var;
    _init(col, interval, metric, imperial, raw_max, raw_min, pool, UPDATE_NORMAL, units_text);
    return true;
}

bool Stat_num::init(Stat_collector* col, VT::Input_number_obj* in, VT::Output_number_obj* out,
                    VT::Object_pointer_obj* ptr, VT::Number_variable_obj* var, int interval,
                    Stat_num_format metric, Stat_num_format imperial, unsigned raw_max, unsigned raw_min,
                    VT::Object_pool* pool, VT::Output_string_obj* units_text)
{
    if (!in || !out || !ptr)
        return refuse("input number, output number or object pointer");
    if (!var)
        return refuse("number variable");
    in_ = in;
    out_ = out;
    ptr_ = ptr;
    var_ = var;
    _init(col, interval, metric, imperial, raw_max, raw_min, pool, UPDATE_NORMAL, units_text);
    return true;
}

void Stat_num::_init(Stat_collector* col, int interval, Stat_num_format metric, Stat_num_format imperial,
                     unsigned raw_max, unsigned raw_min, VT::Object_pool* pool, update_modes modes,
                     VT::Output_string_obj* units_text)
{
    update_mode_mask_ = modes;
    update_interval_ = interval;
    half_counts_ = std::min(raw_max > raw_min ? raw_max - raw_min : 0u, RAW_MAX) / 2;
    units_text_ = units_text;

    if (var_) {
        if (out_ && out_->get_variable_reference() != var_->get_id()) {
            Debug_print::dprint(" About to override the variable reference for OUPUT OBJ %s (%d)\n",
                                out_->get_name(), out_->get_id());
            out_->set_variable_reference(var_->get_id());
        }
        if (in_ && in_->get_variable_reference() != var_->get_id()) {
            Debug_print::dprint(" About to override the variable reference INPUT OBJ for %s (%d)\n",
                                in_->get_name(), in_->get_id());
            in_->set_variable_reference(var_->get_id());
        }
    }

    if (is_distance(metric.units))
        STAT_NUM_CHECK(is_distance(imperial.units));
    else
        STAT_NUM_CHECK(imperial.units == metric.units);

    formats_[Units_man::UNITS_METRIC] = metric;
    formats_[Units_man::UNITS_IMPERIAL] = imperial;
    formats_[Units_man::UNITS_US] = imperial;
    std::copy(std::begin(formats_), std::end(formats_), std::begin(asked_));
    for (const auto& f : formats_)
        STAT_NUM_CHECK(f.scale > 0.0);

    if (pool)
        pool_ = pool;
    units_factor_ = 1.0;
    scale_dirty_ = false;
    has_range_ = false;
    range_min_ = range_max_ = 0;
    encode_formats();

    setup_objs();
    raw_ = 0;
    next_update_ = now();
    // Zero in this encoding, written at once: what the objects held before
    // may mean anything in it.
    set_val(0.0);
    if (is_active() && dirty_)
        write_value();
    setup(col);
}

// ---- values ----

unsigned Stat_num::vt_raw() const
{
    if (var_)
        return var_->get_value();
    // An input without an output holds the VT's value whether or not it
    // takes edits.
    if (in_ && (editable_ || !out_))
        return in_->get_value();
    if (out_)
        return out_->get_value();
    return raw_;
}

double Stat_num::raw_to_val(unsigned raw) const
{
    const Stat_num_format& f = format();
    return (double(raw) + double(f.offset)) * f.scale;
}

void Stat_num::encode_formats()
{
    for (Stat_num_format& f : formats_) {
        if (has_range_)
            encode(f, counts_of(range_min_ / f.scale), counts_of(range_max_ / f.scale));
        else
            encode(f, -int64_t(half_counts_), int64_t(half_counts_));
    }
}

bool Stat_num::set_val(double v)
{
    // Not a number (or an infinity) has no raw value: refused, the stat
    // keeps what it had.
    if (!std::isfinite(v))
        return false;
    if (has_range_)
        v = rangify(v);
    raw_ = raw_of(format(), v / format().scale);
    if (raw_ == vt_raw())
        return false;
    dirty_ = true;
    return true;
}

double Stat_num::get_val() const
{
    return raw_to_val(vt_raw());
}

double Stat_num::get_stat_val() const
{
    return raw_to_val(raw_);
}

bool Stat_num::set_val_int(int i)
{
    return set_val(double(i));
}

bool Stat_num::increment(double steps)
{
    return set_val(get_stat_val() + steps * format().scale);
}

bool Stat_num::decrement(double steps)
{
    return set_val(get_stat_val() - steps * format().scale);
}

Stat_num Stat_num::operator++(int)
{
    increment(1);
    return *this;
}

Stat_num Stat_num::operator--(int)
{
    decrement(1);
    return *this;
}

double Stat_num::rangify(double v) const
{
    if (v < range_min_)
        return range_min_;
    if (v > range_max_)
        return range_max_;
    return v;
}

double Stat_num::round_to_decimals(double x, int decimals)
{
    double i = std::trunc(x);
    double p = std::pow(10.0, decimals);
    double q = std::pow(10.0, decimals + 1);
    // The sign comes from the value itself, so that values between -1 and 0
    // round away from zero like their positive mirror images.
    double c = x < 0 ? -4.9999 : 5.0001;
    return i + double(int((x - i + c / q) * p)) / p;
}

// The input takes what the range holds, shown to its decimals; without a
// range, what the raw limits hold.
void Stat_num::write_input_limits(double scale)
{
    if (!in_)
        return;
    const Stat_num_format& f = format();
    const bool ranged = has_range_ && scale > 0.0;
    in_->set_min_value(ranged ? raw_of(f, f.min / scale) : f.raw_min);
    in_->set_max_value(ranged ? raw_of(f, f.max / scale) : f.raw_max);
}

void Stat_num::set_range(double min, double max)
{
    // The value stays what it was, within the new range.
    const double v = get_stat_val();
    range_min_ = min;
    range_max_ = max;
    has_range_ = true;
    for (int i = 0; i < Units_man::NUM_UNITS_SYSTEMS; ++i) {
        Stat_num_format& f = formats_[i];
        // A range that needs more raw steps than a VT computes exactly is
        // shown in coarser steps rather than cut: fewer decimals, then tens
        // of the unit (a total of many tonnes to the nearest 10 kg).
        f.scale = asked_[i].scale;
        f.decimals = asked_[i].decimals;
        const double span = max - std::min(min, 0.0);
        for (int coarser = 0; coarser < MAX_COARSER_STEPS && std::isfinite(span) && span / f.scale > double(RAW_MAX);
             ++coarser) {
            f.scale *= 10.0;
            if (f.decimals > 0)
                --f.decimals;
        }
        double k = usable(Units_man::get(i, f.units).factor);
        f.min = round_to_decimals(k * min, f.decimals);
        f.max = round_to_decimals(k * max, f.decimals);
    }
    encode_formats();
    write_encoding();
    if (set_val(v) && is_active())
        write_value();
}

// ---- VT objects ----

void Stat_num::write_encoding()
{
    const Stat_num_format& f = format();
    const double scale = display_factor() * f.scale;
    if (out_) {
        out_->set_offset(f.offset);
        out_->set_scale(float(scale));
        out_->set_no_decimals(uint8_t(f.decimals));
    }
    if (in_) {
        in_->set_offset(f.offset);
        in_->set_scale(float(scale));
        in_->set_no_decimals(uint8_t(f.decimals));
        write_input_limits(scale);
    }
}

void Stat_num::setup_objs()
{
    write_encoding();
    if (!pool_)
        return;
    if (out_)
        font_ = pool_->find<VT::Font_attributes_obj>(out_->get_font_attributes());
    if (in_)
        font_ = pool_->find<VT::Font_attributes_obj>(in_->get_font_attributes());
}

bool Stat_num::update_scale()
{
    if (!scale_dirty_ || (!out_ && !in_))
        return false;
    write_encoding();
    scale_dirty_ = false;
    // The value follows its encoding at once.
    if (dirty_)
        write_value();
    return false;
}

bool Stat_num::set_units(Units_man& units)
{
    set_units(units, true);
    return true;
}

bool Stat_num::set_units(Units_man& units, bool set_text)
{
    double v = get_stat_val();
    const int before = system_;
    int system = units.get_system_type(formats_[Units_man::UNITS_METRIC].units);
    system_ = system >= 0 && system < Units_man::NUM_UNITS_SYSTEMS ? system : Units_man::UNITS_METRIC;
    set_val(v);
    Stat_units& r = units.get(format().units);
    double k = Units_man::factor_of(r);
    if (k == 0.0 && (in_ || out_))
        Debug_print::dprint("Stat_num: units type %d has no factor, value shown in base units\n", format().units);
    if (r.obj && set_text)
        setup_string(r.obj->get_id());
    // Another system has its own scale, offset and limits.
    if (k != units_factor_ || system_ != before) {
        units_factor_ = k;
        scale_dirty_ = true;
        return true;
    }
    return false;
}

int Stat_num::update_val(update_modes modes)
{
    if (!out_ && !in_ && !var_) {
        dirty_ = false;
        return 0;
    }
    if (!dirty_ && !force_)
        return 0;
    if (update_interval_ > 0) {
        Atime t = now();
        if (t < next_update_)
            return 1;
        next_update_ = t + update_interval_;
    }
    if (!(update_mode_mask_ & modes))
        return 1;
    // The VT reads the value in the encoding it was made in.
    update_scale();
    write_value();
    return 0;
}

void Stat_num::write_value()
{
    if (var_) {
        var_->set_value(raw_);
    } else {
        if (out_)
            out_->set_value(raw_);
        if (in_)
            in_->set_value(raw_);
    }
    dirty_ = false;
    force_ = false;
}

void Stat_num::force_send_update()
{
    next_update_ = now();
    force_ = true;
    update_val(UPDATE_NORMAL);
}

bool Stat_num::update_from_input(unsigned int value, Stat_user* user)
{
    if (!in_)
        return false;
    if (units_factor_ == 0.0) {
        // Without a factor the entry cannot be turned back into base units.
        Debug_print::dprint("Stat_num %s: units type %d has no factor, edit refused\n", in_->get_name(),
                            format().units);
        force_send_update();
        return false;
    }
    if (value < in_->get_min_value() || value > in_->get_max_value()) {
        Debug_print::dprint("Stat_num %s: value %u outside %u..%u refused\n", in_->get_name(), value,
                            in_->get_min_value(), in_->get_max_value());
        force_send_update();
        return false;
    }
    force_ = true;
    set_val(double(in_->get_scale()) * (double(value) + double(in_->get_offset())) / units_factor_);
    raw_ = value;
    update_val(UPDATE_NORMAL);
    if (user)
        user->handle_stat_num_update(this);
    return true;
}

// ---- looks ----

bool Stat_num::_set_editable(bool editable)
{
    if (ptr_) {
        if (editable && in_)
            ptr_->set_value(in_->get_id());
        else if (!editable && out_)
            ptr_->set_value(out_->get_id());
    } else if (in_ && !out_) {
        in_->set_enabled(editable);
    }
    return editable;
}

void Stat_num::set_live_edit(bool on)
{
    if (!in_)
        return;
    const unsigned char o = in_->get_input_options();
    const unsigned char live = VT::Input_obj::INPUT_REAL_TIME;
    in_->set_input_options(on ? uint8_t(o | live) : uint8_t(o & ~live));
}

void Stat_num::set_hidden(bool hidden)
{
    if (!ptr_)
        return;
    if (!hidden) {
        if (editable_ && in_)
            ptr_->set_value(in_->get_id());
        else if (out_)
            ptr_->set_value(out_->get_id());
    } else if (in_) {
        ptr_->set_value(NULL_ID);
    }
}

void Stat_num::setup_string(unsigned short text_id)
{
    if (units_text_)
        units_text_->set_variable_reference(text_id);
}

// ---- identity ----

unsigned short Stat_num::get_object_id() const { return out_ ? out_->get_id() : NULL_ID; }
unsigned short Stat_num::get_in_object_id() const { return in_ ? in_->get_id() : NULL_ID; }
unsigned short Stat_num::get_var_id() const { return var_ ? var_->get_id() : NULL_ID; }
unsigned short Stat_num::get_ptr_id() const { return ptr_ ? ptr_->get_id() : NULL_ID; }

int Stat_num::get_width() const
{
    return out_ ? out_->get_width() : in_ ? in_->get_width() : 0;
}

int Stat_num::get_height() const
{
    return out_ ? out_->get_height() : in_ ? in_->get_height() : 0;
}

// ---- one-off values ----

void Stat_num::set_output_number(VT::Output_number_obj* out, Stat_num_format& metric, Stat_num_format& imperial,
                                 double v)
{
    Stat_num s;
    if (s.init(nullptr, out, 0, metric, imperial, nullptr, RAW_MAX, 0, nullptr, nullptr)) {
        s.set_val(v);
        s.update_val(UPDATE_NORMAL);
    }
}

void Stat_num::set_output_number(VT::Output_number_obj* out, Stat_num_format& metric, Stat_num_format& imperial,
                                 Units_man& units, double v)
{
    Stat_num s;
    if (s.init(nullptr, out, 0, metric, imperial, nullptr, RAW_MAX, 0, nullptr, nullptr)) {
        s.set_units(units);
        s.update_scale();
        s.set_val(v);
        s.update_val(UPDATE_NORMAL);
    }
}

// ---- objects made at run time ----

bool Stat_num::dyn_create_objects(VT::Object_pool* pool, bool input, bool output, bool pointer, bool variable)
{
    STAT_NUM_CHECK(pool != nullptr);
    char buffer[32];
    char* name = buffer;
    unsigned short id = NULL_ID;
    auto next_id = [&](const char* prefix) {
        STAT_NUM_CHECK(pool->get_dyn_obj_id(id, &name, 32, prefix));
    };
    // The pool keeps its own copy of the name.
    if (input) {
        next_id("SnI");
        in_ = new VT::Input_number_obj(id, name, 10, 10, 1, NULL_ID, 1, NULL_ID, 0, 0, RAW_MAX, 0, 1.0f, 0, 0, 2,
                                       true);
    }
    if (output) {
        next_id("SnO");
        out_ = new VT::Output_number_obj(id, name, 10, 10, 1, NULL_ID, 1, NULL_ID, 0, 0, 1.0f, 0, 0, 2);
    }
    if (variable) {
        next_id("SnV");
        var_ = new VT::Number_variable_obj(id, name, 0);
    }
    if (pointer) {
        next_id("SnP");
        ptr_ = new VT::Object_pointer_obj(id, name, NULL_ID);
    }
    // Each object goes into the pool at once, so that the next id is fresh.
    for (VT::VT_obj* o : {static_cast<VT::VT_obj*>(in_), static_cast<VT::VT_obj*>(out_),
                          static_cast<VT::VT_obj*>(var_), static_cast<VT::VT_obj*>(ptr_)}) {
        if (o && !pool->find<VT::VT_obj>(o->get_id())) {
            o->set_pool(pool);
            STAT_NUM_CHECK(pool->add_object(o));
        }
    }
    pool_ = pool;
    return true;
}

bool Stat_num::dyn_init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font,
                        VT::Output_string_obj* units_text)
{
    STAT_NUM_CHECK(pool && font);
    for (VT::VT_obj* o : {static_cast<VT::VT_obj*>(in_), static_cast<VT::VT_obj*>(out_),
                          static_cast<VT::VT_obj*>(var_), static_cast<VT::VT_obj*>(ptr_)}) {
        if (o)
            pool->upload(o);
    }
    if (in_) {
        in_->set_font_attributes(font->get_id());
        if (var_)
            in_->set_variable_reference(var_->get_id());
    }
    if (out_) {
        out_->set_font_attributes(font->get_id());
        if (var_)
            out_->set_variable_reference(var_->get_id());
    }
    if (in_ && !var_) {
        Debug_print::dprint("Number variable not supplied for Input & Output Statnum\n");
        Atime::delay(300);
        std::exit(-129);
    }
    _init(col, 1000, Stat_num_format(), Stat_num_format(), RAW_MAX, 0, pool, UPDATE_NORMAL, units_text);
    return true;
}

bool Stat_num::dyn_set_format(Stat_num_format metric, Stat_num_format imperial, VT::Font_attributes_obj* font,
                              int interval, unsigned raw_max, unsigned raw_min)
{
    if (font) {
        if (in_)
            in_->set_font_attributes(font->get_id());
        if (out_)
            out_->set_font_attributes(font->get_id());
    }
    _init(nullptr, interval, metric, imperial, raw_max, raw_min, pool_, UPDATE_NORMAL, units_text_);
    return true;
}
