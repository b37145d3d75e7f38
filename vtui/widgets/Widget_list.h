// A list of any length from a List_interface, shown in the pool's fixed
// block of ten rows ("widget_list_0" to "_9") with a scroll bar and page
// controls. The widget is an activator for the list as a whole; each row has
// a button activator of its own. Pages are 9 entries apart, so consecutive
// pages share a row.
#pragma once

#include "util/Atime.h"
#include "vtui/screen/Window.h"
#include "vtui/stat/Stat_string.h"

// Stands in when no list is given: 27 entries "dummy_<i>".
class Dummy_client : public List_interface {
public:
    static constexpr int NUM_ITEMS = 27;
    int lstint_num_items() const override { return NUM_ITEMS; }
    const char* lstint_item(int i) override;
    void lstint_handle_event(unsigned i, Event& ev) override;
    static Dummy_client& instance();

private:
    char text[16] = {};
};

class Widget_list : public Window::Activator {
public:
    static constexpr int NUM_ROWS = 10;
    static constexpr int PAGE_STEP = 9;
    static constexpr int GUARD_MS = 500;
    static constexpr int TEXT_INTERVAL_MS = 200;

    Widget_list() = default;
    Widget_list(const Widget_list&) = delete;
    Widget_list& operator=(const Widget_list&) = delete;

    // False, with a line, and the list inactive when the pool lacks one of
    // the template objects.
    bool init(List_interface* provider, VT::Object_pool* pool, Stat_collector* col, Window* window);
    bool is_active() const { return active; }
    void activate(bool show);
    void set_hidden(bool hidden);
    void update();
    void advance_page(int n);
    void advance_to_page(int p);
    void advance_page_by_nitems(int n);
    void advance_to_page_by_nitems(int n);
    int cur_page_no() const { return first / PAGE_STEP; }
    int tot_num_pages() const;
    bool handle_activator_event(Window::Activator& a, Window::Activator_event& ev);

    int get_first() const { return first; }
    int get_selected_row() const { return selected_row; }
    Stat_string& row_text(int i) { return rows[i].text; }
    Window::Activator& row_activator(int i) { return rows[i].activator; }
    Window::Activator& page_down_activator() { return page_down; }
    Window::Activator& page_up_activator() { return page_up; }
    Window::Activator& back_to_top_activator() { return back_to_top; }

protected:
    virtual Atime now() const { return Atime::now(); }

private:
    struct Row {
        Stat_string text;
        Window::Activator activator;
        VT::Container_obj* container = nullptr;
    };
    bool has_provider(const char* what) const;
    // The name of the first template object the pool lacks, null when none.
    static const char* missing_object(VT::Object_pool* pool);

    VT::Linear_bar_graph_obj* scroll_bar = nullptr;
    VT::Linear_bar_graph_obj* scroll_cover = nullptr;
    VT::Rectangle_obj* scroll_border = nullptr;
    VT::Container_obj* block = nullptr;
    Row rows[NUM_ROWS];
    bool active = false;
    int first = 0;
    int selected_row = -1;
    List_interface* provider = nullptr;
    Atime guard;
    Window::Activator back_to_top;
    Window::Activator page_down;
    Window::Activator page_up;
    VT::Object_pointer_obj* key_pointer = nullptr;
    unsigned short blank_key_id = VT::Object_pool::NULL_ID;
    unsigned short page_down_key_id = VT::Object_pool::NULL_ID;
    unsigned short back_to_top_key_id = VT::Object_pool::NULL_ID;
};
