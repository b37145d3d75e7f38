// Numeric stats bound to one field of the live data store: the store's change
// callback copies the field (under the store's lock) into the stat, so the
// stat follows the field by itself.
#pragma once

#include "glue/cds/Access.h"
#include "util/Debug_print.h"
#include "vtui/stat/Stat_num.h"

// What an auto stat tells its owner (a screen) when its value moved, so that
// the owner's next value pass visits its stats again.
class Stat_owner {
public:
    virtual ~Stat_owner() = default;
    virtual void values_incomplete() = 0;
};

template <class T>
class Virt_auto_stat_num : public Stat_num, public CDS::Virt_access {
public:
    // The four forms mirror those of Stat_num::init. False, with a line and
    // the stat left inactive, when the field is not bound to a store.
    bool init(CDS::Access_base access, T& field, Stat_owner* owner, Stat_collector* col, int interval,
              Stat_num_format metric, Stat_num_format imperial, VT::Number_variable_obj* var, unsigned raw_max,
              unsigned raw_min, VT::Object_pool* pool, VT::Output_string_obj* units_text)
    {
        return bind(access, field, owner) &&
               Stat_num::init(col, interval, metric, imperial, var, raw_max, raw_min, pool, units_text);
    }
    bool init(CDS::Access_base access, T& field, Stat_owner* owner, Stat_collector* col, VT::Input_number_obj* in,
              VT::Output_number_obj* out, VT::Object_pointer_obj* ptr, VT::Number_variable_obj* var, int interval,
              Stat_num_format metric, Stat_num_format imperial, unsigned raw_max, unsigned raw_min,
              VT::Object_pool* pool, VT::Output_string_obj* units_text)
    {
        return bind(access, field, owner) && Stat_num::init(col, in, out, ptr, var, interval, metric, imperial,
                                                            raw_max, raw_min, pool, units_text);
    }
    bool init(CDS::Access_base access, T& field, Stat_owner* owner, Stat_collector* col, VT::Input_number_obj* in,
              int interval, Stat_num_format metric, Stat_num_format imperial, VT::Number_variable_obj* var,
              unsigned raw_max, unsigned raw_min, VT::Object_pool* pool, VT::Output_string_obj* units_text)
    {
        return bind(access, field, owner) &&
               Stat_num::init(col, in, interval, metric, imperial, var, raw_max, raw_min, pool, units_text);
    }
    bool init(CDS::Access_base access, T& field, Stat_owner* owner, Stat_collector* col,
              VT::Output_number_obj* out, int interval, Stat_num_format metric, Stat_num_format imperial,
              VT::Number_variable_obj* var, unsigned raw_max, unsigned raw_min, VT::Object_pool* pool,
              VT::Output_string_obj* units_text)
    {
        return bind(access, field, owner) &&
               Stat_num::init(col, out, interval, metric, imperial, var, raw_max, raw_min, pool, units_text);
    }

    bool is_bound() const { return field_ && get_head(); }

protected:
    bool bind(CDS::Access_base access, T& field, Stat_owner* owner)
    {
        CDS::Access_base::init(access);
        field_ = &field;
        owner_ = owner;
        if (!get_head()) {
            Debug_print::dprint("Auto_stat_num: no data-store field bound, stat left inactive\n");
            field_ = nullptr;
            return false;
        }
        return true;
    }

    T* field_ = nullptr;
    Stat_owner* owner_ = nullptr;
};

template <class T>
class Auto_stat_num : public Virt_auto_stat_num<T> {
public:
    // The store's change callback.
    void handle_event() override
    {
        if (!this->is_bound()) {
            Debug_print::dprint("CDS: Tried to set with no init\n");
            return;
        }
        T value;
        this->get_head()->read(&value, this->field_, int(sizeof(T)));
        if (this->set_val(double(value)) && this->owner_)
            this->owner_->values_incomplete();
    }
    // Runs the callback; with send_now the value goes to the VT at once.
    void handle_event(bool send_now)
    {
        handle_event();
        if (send_now) {
            this->mark_force();
            this->update_val(Stat::UPDATE_NORMAL);
        }
    }

private:
    unsigned char flag_ = 1;
};
