// The widget toolkit's page work on a running pool: a redraw of an unchanged
// page of 15 number rows (which sends nothing), and a new layout of 40 rows
// followed by the draw of its first page.
#include "vtui/pui/PUI_Widget.h"

#include <benchmark/benchmark.h>


namespace {

void drain(VT::Object_pool& pool)
{
    VT::Vt_command c;
    while (pool.take_command(c))
        pool.command_done();
    VT::VT_obj* o;
    while (pool.take_upload(o))
        pool.upload_done();
}

class Number_rows : public UI::PUI::Client {
public:
    int get_num_items() override { return 40; }
    void get_item_setup(unsigned char, UI::PUI::Item_setup& s) override { s.type = UI::PUI::ITEM_NUMBER; }
    bool get_number_setup(unsigned char iid, UI::PUI::Number_setup& ns, bool) override
    {
        ns.show_units = false;
        ns.value = iid;
        return true;
    }
};

struct Bench_widget {
    VT::Object_pool pool{nullptr};
    VT::Font_attributes_obj* font = new VT::Font_attributes_obj(10, "font", 0, 1, 0, 0);
    UI::PUI::Widget w{UI::PUI::Limits(), &pool};
    Number_rows rows;
    Bench_widget()
    {
        pool.add_object(font);
        pool.set_running(true);
        w.init(&pool, nullptr, font, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
               nullptr);
        rows.init(nullptr, nullptr, 240, 480);
        w.set_client(&rows);
        w.draw();
        drain(pool);
    }
};

void PUI_redraw_unchanged_page_of_15(benchmark::State& state)
{
    Bench_widget b;
    for (auto _ : state) {
        b.w.draw();
        drain(b.pool);
    }
    state.SetItemsProcessed(state.iterations() * 15);
}
BENCHMARK(PUI_redraw_unchanged_page_of_15);

void PUI_layout_40_and_draw(benchmark::State& state)
{
    Bench_widget b;
    for (auto _ : state) {
        b.w.set_client(&b.rows);
        b.w.draw();
        drain(b.pool);
    }
}
BENCHMARK(PUI_layout_40_and_draw);

} // namespace
