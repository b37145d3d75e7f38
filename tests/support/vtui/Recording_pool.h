#pragma once
// A running VT client pool whose change commands are recorded instead of
// sent: each queued command is taken, decoded and marked answered.

#include "platform/vt/Object_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct Vt_cmd {
    uint8_t function = 0;
    unsigned short id = 0;
    int aid = -1;          // Change Attribute: the attribute id
    uint32_t value = 0;    // numeric value, attribute value, mask or pointer value
    std::string text;      // Change String Value
    std::vector<uint8_t> bytes;
};

class Recording_pool {
public:
    enum function_t : uint8_t {
        HIDE_SHOW = 0xA0,
        ENABLE_DISABLE = 0xA1,
        CHANGE_NUMERIC_VALUE = 0xA8,
        CHANGE_ACTIVE_MASK = 0xAD,
        CHANGE_SOFT_KEY_MASK = 0xAE,
        CHANGE_ATTRIBUTE = 0xAF,
        CHANGE_STRING_VALUE = 0xB3,
    };

    VT::Object_pool pool{nullptr};

    // Takes the object; the test fails when the pool refuses it.
    template <class T>
    T* add(T* obj)
    {
        EXPECT_TRUE(pool.add_object(obj)) << obj->get_name();
        return obj;
    }

    void start()
    {
        pool.set_running(true);
        sent();
    }

    // The commands queued since the last call.
    std::vector<Vt_cmd> sent()
    {
        std::vector<Vt_cmd> out;
        VT::Vt_command c;
        while (pool.take_command(c)) {
            out.push_back(decode(c));
            pool.command_done();
        }
        mirror.apply(out);
        return out;
    }

    static Vt_cmd decode(const VT::Vt_command& c)
    {
        Vt_cmd d;
        d.bytes = c.bytes;
        const auto& b = c.bytes;
        auto u32 = [&](size_t at) {
            return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
        };
        d.function = b.empty() ? 0 : b[0];
        d.id = c.object_id;
        switch (d.function) {
        case CHANGE_NUMERIC_VALUE:
            d.value = u32(4);
            break;
        case CHANGE_ATTRIBUTE:
            d.aid = b[3];
            d.value = u32(4);
            break;
        case CHANGE_ACTIVE_MASK:
            d.value = uint32_t(b[3] | b[4] << 8);
            break;
        case CHANGE_SOFT_KEY_MASK:
            d.value = uint32_t(b[4] | b[5] << 8);
            break;
        case CHANGE_STRING_VALUE: {
            size_t len = size_t(b[3] | b[4] << 8);
            d.text.assign(reinterpret_cast<const char*>(b.data() + 5), std::min(len, b.size() - 5));
            break;
        }
        case HIDE_SHOW:
        case ENABLE_DISABLE:
            d.value = b[3];
            break;
        default:
            break;
        }
        return d;
    }

    // The unit labels and locale objects that the units manager binds:
    // "UNIT_<type>" string variables at 200 + type, the two locale texts,
    // the current-units pointer, the two locale lists and the decimal mark.
    void add_units_objects()
    {
        static const char* const names[] = {
            "UNIT_NONE", "UNIT_FIXME", "UNIT_DISTANCE", "UNIT_DISTANCE_SM", "UNIT_DISTANCE_LG", "UNIT_SPEED",
            "UNIT_ANGLE", "UNIT_AREA", "UNIT_AREA_LG", "UNIT_AREA_LG2", "UNIT_VOLUME", "UNIT_VOLUME_DRY",
            "UNIT_MASS", "UNIT_MASS_KGN", "UNIT_MASS_PER_AREA", "UNIT_MASS_N_PER_AREA", "UNIT_VOLUME_PER_AREA",
            "UNIT_COUNT_PER_AREA", "UNIT_AREA_PER_TIME", "UNIT_MASS_PER_VOLUME", "UNIT_MASS_PER_REV",
            "UNIT_PULSE_PER_VOLUME", "UNIT_PULSE_PER_KG_N", "UNIT_PRESSURE"};
        for (const char* n : names)
            add(new VT::String_variable_obj(unit_id(n), n, "", 12));
        add(new VT::Output_string_obj(300, "os_units_metric", 40, 10, 1, VT::Object_pool::NULL_ID, 0,
                                      VT::Object_pool::NULL_ID, 0, "metric"));
        add(new VT::Output_string_obj(301, "os_units_imperial", 40, 10, 1, VT::Object_pool::NULL_ID, 0,
                                      VT::Object_pool::NULL_ID, 0, "imperial"));
        add(new VT::Object_pointer_obj(302, "string_locale_cur_units", VT::Object_pool::NULL_ID));
        add(new VT::Input_list_obj(303, "list_locale_units", 40, 10, VT::Object_pool::NULL_ID, 0, true));
        add(new VT::Input_list_obj(304, "list_locale_language", 40, 10, VT::Object_pool::NULL_ID, 0, true));
        add(new VT::String_variable_obj(305, "UNIT_DECIMAL", ".", 1));
    }
    // The id of a "UNIT_..." string variable added by add_units_objects.
    unsigned short unit_id(const char* name)
    {
        auto it = unit_ids_.find(name);
        if (it != unit_ids_.end())
            return it->second;
        unsigned short id = uint16_t(200 + unit_ids_.size());
        unit_ids_[name] = id;
        return id;
    }

    // What the VT would hold after the commands: values and attributes.
    struct Mirror {
        std::map<unsigned short, uint32_t> values;
        std::map<std::pair<unsigned short, int>, uint32_t> attributes;
        std::map<unsigned short, std::string> texts;
        void apply(const std::vector<Vt_cmd>& cmds)
        {
            for (const Vt_cmd& c : cmds) {
                if (c.function == CHANGE_NUMERIC_VALUE)
                    values[c.id] = c.value;
                else if (c.function == CHANGE_ATTRIBUTE)
                    attributes[{c.id, c.aid}] = c.value;
                else if (c.function == CHANGE_STRING_VALUE)
                    texts[c.id] = c.text;
            }
        }
        // An output number as the VT shows it: (value + offset) x scale with
        // the decimals (offset, scale, decimals: attributes 7, 8, 9).
        std::string shown_output_number(unsigned short id) const
        {
            uint32_t bits = attributes.at({id, 8});
            float scale;
            std::memcpy(&scale, &bits, 4);
            double v = (double(values.at(id)) + double(int32_t(attributes.at({id, 7})))) * double(scale);
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.*f", int(attributes.at({id, 9})), v);
            return buf;
        }
    };

    // The commands of one function for one object.
    static std::vector<Vt_cmd> of(const std::vector<Vt_cmd>& all, uint8_t function, unsigned short id)
    {
        std::vector<Vt_cmd> out;
        for (const Vt_cmd& c : all)
            if (c.function == function && c.id == id)
                out.push_back(c);
        return out;
    }

    Mirror mirror;

private:
    std::map<std::string, unsigned short> unit_ids_;
};
