// A small settings tree with every kind of node, as the generated schema code
// builds one: records derive from NV_struct and hold their settings as
// members, each added to its parent on construction.
#pragma once

#include "glue/NV_store/NV_array.h"
#include "glue/NV_store/NV_item_array.h"
#include "glue/NV_store/NV_number.h"
#include "glue/NV_store/NV_pointer.h"
#include "glue/NV_store/NV_root.h"

using namespace NV_store;

struct sensor_t : NV_struct {
    explicit sensor_t(NV_container* parent = nullptr, NV_root* root = nullptr, unsigned short id = 0,
                      const char* name = "")
        : NV_struct(parent, root, id, name)
    {
    }
    NV_number<float, Data_item::ITEM_FLOAT> gain{this, 1, 1.5f, "gain"};
    NV_number<short, Data_item::ITEM_SHORT> offset{this, 2, -3, "offset"};
};

struct channel_t : NV_struct {
    explicit channel_t(NV_container* parent = nullptr, NV_root* root = nullptr, unsigned short id = 0,
                       const char* name = "")
        : NV_struct(parent, root, id, name)
    {
    }
    NV_number<bool, Data_item::ITEM_BOOL> enabled{this, 1, false, "enabled"};
    NV_number<unsigned char, Data_item::ITEM_UCHAR> drive{this, 2, 3, "drive"};
    NV_array<char, Data_item::ITEM_CHAR, unsigned char, 20> name{this, 3, "name"};
};

struct all_types_t : NV_struct {
    all_types_t(NV_container* parent, NV_root* root, unsigned short id, const char* name)
        : NV_struct(parent, root, id, name)
    {
    }
    NV_number<bool, 2> b{this, 1, true, "b"};
    NV_number<char, 3> c{this, 2, 'a', "c"};
    NV_number<unsigned char, 4> uc{this, 3, 200, "uc"};
    NV_number<unsigned short, 5> us{this, 4, 60000, "us"};
    NV_number<unsigned int, 6> ui{this, 5, 4000000000u, "ui"};
    NV_number<signed char, 7> sc{this, 6, -100, "sc"};
    NV_number<short, 8> s{this, 7, -30000, "s"};
    NV_number<int, 9> i{this, 8, -2000000000, "i"};
    NV_number<float, 10> f{this, 9, 0.25f, "f"};
    NV_number<double, 11> d{this, 10, -1e300, "d"};
    NV_number<unsigned long long, 15> ull{this, 11, 18000000000000000000ULL, "ull"};
    NV_number<long long, 16> ll{this, 12, -1, "ll"};
};

struct test_params_t : NV_root {
    explicit test_params_t(module_man* mm) : NV_root(mm, 0, "PS") {}
    NV_number<int, Data_item::ITEM_INT> count{this, 1, 0, "count"};
    sensor_t sensor{this, this, 2, "sensor"};
    NV_item_array<3, channel_t> channels{this, this, 3, "channels"};
    all_types_t types{this, this, 4, "types"};
    NV_pointer favourite{this, this, 5, "favourite"};
    NV_number<double, Data_item::ITEM_DOUBLE> last{this, 6, 2.0, "last"};
};
