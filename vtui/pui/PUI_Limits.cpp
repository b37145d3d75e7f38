#include "vtui/pui/PUI_Types.h"

namespace UI {
namespace PUI {

Limits::Limits()
{
    init_list_sizes();
}

Limits::Limits(int rows, int groups, int n_items, int n_numbers, int n_bools, int n_lists, int n_strings,
               int n_containers)
    : max_rows(rows), max_groups(groups), num_items(n_items), num_numbers(n_numbers), num_bools(n_bools),
      num_lists(n_lists), num_strings(n_strings), num_containers(n_containers)
{
    init_list_sizes();
}

Limits::Limits(const Limits& other)
{
    *this = other;
}

Limits& Limits::operator=(const Limits& other)
{
    if (this == &other)
        return *this;
    max_rows = other.max_rows;
    max_groups = other.max_groups;
    num_items = other.num_items;
    num_numbers = other.num_numbers;
    num_bools = other.num_bools;
    num_lists = other.num_lists;
    num_strings = other.num_strings;
    num_containers = other.num_containers;
    init_list_sizes();
    for (int i = 0; i < num_lists; ++i)
        set_list_size(i, other.list_size(i));
    return *this;
}

void Limits::init_list_sizes()
{
    list_sizes.reset();
    if (num_lists < 1)
        return;
    list_sizes.reset(new int[size_t(num_lists)]);
    for (int i = 0; i < num_lists; ++i) {
        int from_end = num_lists - 1 - i;
        list_sizes[size_t(i)] = from_end == 0 ? 21 : from_end == 1 ? 8 : from_end == 2 ? 6 : 4;
    }
}

int Limits::list_size(int i) const
{
    return list_sizes && i >= 0 && i < num_lists ? list_sizes[size_t(i)] : 0;
}

void Limits::set_list_size(int i, int n)
{
    if (list_sizes && i >= 0 && i < num_lists)
        list_sizes[size_t(i)] = n;
}

} // namespace PUI
} // namespace UI
