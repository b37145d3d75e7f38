// A group of stats that shows values of the settings tree and the live data
// store. While the group is active it is registered for change events of
// every bound item, so a change refreshes its stats on the VT; while inactive
// it is not registered. Concrete groups derive and override the hooks.
#pragma once

#include "glue/NV_store/NV_access.h"
#include "glue/cds/Access.h"
#include "util/sl_list.h"
#include "vtui/screen/Vt_events.h"
#include "vtui/stat/Stat.h"
#include "vtui/stat/Stat_user.h"

class Screen_man;
class Window;

namespace UI {

class Element_group : public Stat_user {
public:
    // A bound live-data-store field; its change refreshes the group.
    class CDS_access : public sll_node, public CDS::Virt_access {
    public:
        CDS_access(Element_group& g, CDS::Access_base access);
        // Leaves the store's registry and the group: a change after its end
        // must not reach it.
        ~CDS_access() override;
        void handle_event() override;
        Element_group& get_group() const { return group; }

    private:
        unsigned reserved = 0;
        Element_group& group;
    };

    // A bound settings item; bound by init.
    class NV_access : public sll_node, public NV_store::Virt_access {
    public:
        explicit NV_access(Element_group& g) : group(g) {}
        ~NV_access() override;
        void init(NV_store::NV_item& item);
        void handle_event() override;
        Element_group& get_group() const { return group; }

    private:
        unsigned reserved = 0;
        Element_group& group;
    };

    Element_group() = default;
    ~Element_group() override = default;
    Element_group(const Element_group&) = delete;
    Element_group& operator=(const Element_group&) = delete;

    virtual void init_hook(Screen_man&) {}
    virtual void activate_hook(Screen_man&) {}
    virtual void deactivate_hook(Screen_man&) {}
    virtual void show_summary_hook(Screen_man&) {}
    virtual void hide_summary_hook(Screen_man&) {}
    virtual void handle_cds_change(CDS_access&) {}
    virtual void handle_nv_change(NV_access&) {}

    void check_initialised(Screen_man& man);
    void activate(Screen_man& man);
    void deactivate(Screen_man& man);
    void show_summary(Screen_man& man);
    void hide_summary(Screen_man& man);

    void setup_stats();
    bool send_stat_updates();
    bool send_stat_scale_updates();
    // Gives the stats the screen manager's units and sends changed scales;
    // false when one is still pending.
    bool update_stat_units();
    void update_stat_decorations();

    // VT input offered by the window: every stat of the group bound to the
    // object takes it.
    void send_change_numeric_value_event(VT_change_numeric_value_event& ev);
    void send_input_string_value_event(Input_string_value_event& ev);

    // A set-up the group cannot run without: the line, then the process ends
    // with a failure code.
    [[noreturn]] static void critical_fail(const char* text);
    static constexpr int CRITICAL_FAIL_EXIT = 1;

    Stat_collector& get_stats() { return stats; }
    bool is_active() const { return active; }
    bool is_initialised() const { return initialised; }
    Screen_man* get_man() const { return man; }

protected:
    c_sl_list<CDS_access> cds_accesses;
    c_sl_list<NV_access> nv_accesses;
    Stat_collector stats;
    Screen_man* man = nullptr;
    bool active = false;
    bool initialised = false;
    bool values_complete = true;
    bool scales_complete = true;

private:
    void common_activation();
    void unregister(bool with_nv);
    void unregister(CDS_access& a);
    void unregister(NV_access& a);
};

// A window's link to one of its groups; the flags decide when the group
// takes part in the screen's value and scale passes: bit 0 also while the
// screen is shown, bit 1 also while it updates in the background.
class Element_group_node : public sll_node {
public:
    enum flag_bits : unsigned char { WHILE_SHOWN = 1, WHILE_BACKGROUND = 2 };
    Element_group_node(Window* w, unsigned char flags);
    virtual ~Element_group_node() = default;
    virtual Element_group& get_group() = 0;
    unsigned char get_flags() const { return flags; }
    // Whether the group takes part in a pass of a screen in this state.
    bool takes_part(bool screen_shown, bool screen_background) const
    {
        return (!screen_shown || (flags & WHILE_SHOWN)) && (!screen_background || (flags & WHILE_BACKGROUND));
    }

private:
    unsigned char flags;
};

// A node that is its group.
class Element_group_member : public Element_group, public Element_group_node {
public:
    Element_group_member(Window* w, unsigned char flags) : Element_group_node(w, flags) {}
    Element_group& get_group() override { return *this; }
};

} // namespace UI
