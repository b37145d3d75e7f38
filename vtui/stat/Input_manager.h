// Editing a stat with the VT's soft keys instead of the VT's own input
// dialogs. While a stat is edited the data mask shows an edit soft-key mask,
// the pencil next to the stat and its selection frame; the keys step the
// value or type text, tick commits and cross cancels. One manager per stat
// kind; the broker picks it by the stat's type code.
#pragma once

#include "glue/diner/Timeout.h"
#include "vtui/screen/Vt_events.h"
#include "vtui/stat/Stat.h"

class Data_screen;
class Stat_decorations;
class Stat_num;
class Stat_list;
class Stat_bool;
class Stat_string;
class Stat_cycle_box;

class Input_manager {
public:
    virtual ~Input_manager() = default;
    virtual void invoke(Data_screen* screen, VT::Data_mask_obj* mask, VT::Container_obj* container, Stat* stat, int x,
                        int y, Stat_decorations* decorations, int pencil_index) = 0;
    virtual void commit() = 0;
    virtual void cancel() = 0;
    // True when the timeout was this manager's.
    virtual bool handle_timeout(Timeout&) { return false; }
    virtual void further_init(VT::Object_pool*) {}
    virtual void further_handle_soft_key_event(Soft_key_activation_event&, unsigned hold_ms) {}
    virtual void de_edit();

    bool init(VT::Object_pool* pool);
    // Tick commits and cross cancels on a press; then the edit ends. Other
    // keys go to the manager's own handling.
    void handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms);
    void get_pencil_size(int& width, int& height) const;
    Data_screen* get_screen() const { return screen; }

protected:
    void begin_edit(Data_screen* s);
    // Moves child `index` of the container to (x, y).
    static void place(VT::Container_obj* container, int index, int x, int y);

    static constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;
    unsigned short tick_id = NULL_ID;
    unsigned short cross_id = NULL_ID;
    VT::Container_obj* pencil = nullptr;
    Data_screen* screen = nullptr;
};

// The managers that step a value with an increment and a decrement key.
// After a step (unless the kind says otherwise) the edit is marked unclean,
// the values go out and the screen hears of it; commit tells the screen,
// cancel puts the backup back and tells the screen.
class Input_manager_stepping : public Input_manager {
public:
    void invoke(Data_screen* screen, VT::Data_mask_obj* mask, VT::Container_obj* container, Stat* stat, int x, int y,
                Stat_decorations* decorations, int pencil_index) override;
    void further_init(VT::Object_pool* pool) override;
    void further_handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms) override;
    void commit() override;
    void cancel() override;

protected:
    virtual int kind() const = 0;
    virtual void take_backup() = 0;
    virtual void restore_backup() = 0;
    // Whether the keys act on this activation code (and hold time).
    virtual bool acts_on(unsigned code, unsigned hold_ms) const = 0;
    virtual void step(bool up, unsigned hold_ms) = 0;
    // Whether a step reports to the screen at once.
    virtual bool reports_steps() const { return true; }
    // The screen's handler of the kind.
    virtual void report() = 0;

    Stat* stat = nullptr;
    unsigned short key_mask_id = NULL_ID;
    unsigned short increment_id = NULL_ID;
    unsigned short decrement_id = NULL_ID;
};

class Input_manager_number : public Input_manager_stepping {
public:
    // Steps per event for a key held `hold_ms` (1 until the curve passes 2).
    static double acceleration(unsigned hold_ms);

protected:
    int kind() const override { return Stat::TYPE_NUM; }
    void take_backup() override;
    void restore_backup() override;
    bool acts_on(unsigned code, unsigned hold_ms) const override;
    void step(bool up, unsigned hold_ms) override;
    void report() override;
    Stat_num& num() const;

private:
    double backup = 0;
};

class Input_manager_list : public Input_manager_stepping {
protected:
    int kind() const override { return Stat::TYPE_LIST; }
    void take_backup() override;
    void restore_backup() override;
    bool acts_on(unsigned code, unsigned) const override { return code == 1 || code == 3; }
    void step(bool up, unsigned) override;
    void report() override;
    Stat_list& list() const;

private:
    unsigned short backup = 0;
};

class Input_manager_bool : public Input_manager_stepping {
protected:
    int kind() const override { return Stat::TYPE_BOOL; }
    void take_backup() override;
    void restore_backup() override;
    bool acts_on(unsigned code, unsigned) const override { return code == 1 || code == 3; }
    void step(bool up, unsigned) override;
    void report() override;
    Stat_bool& boolean() const;

private:
    bool backup = false;
};

// Steps on key release; the provider keeps its own backup.
class Input_manager_cycle_box : public Input_manager_stepping {
protected:
    int kind() const override { return Stat::TYPE_CYCLE_BOX; }
    void take_backup() override;
    void restore_backup() override;
    bool acts_on(unsigned code, unsigned) const override { return code == 0; }
    void step(bool up, unsigned) override;
    bool reports_steps() const override { return false; }
    void report() override;
    Stat_cycle_box& box() const;
};

// A multi-tap text editor with three character sets on soft keys.
class Input_manager_string : public Input_manager {
public:
    static constexpr int MAX_KEYS = 8;
    static constexpr int MAX_KEY_CHARS = 50;
    static constexpr int NUM_SETS = 3;
    static constexpr int NUM_PAGES = 4;
    static constexpr int TAP_MS = 2000;

    struct Char_set {
        const char* chars = "";
        int tap_index = -1;
        unsigned short last_key = VT::Object_pool::NULL_ID;
        unsigned short keys[MAX_KEYS] = {};
        int num_keys = 0;
        char key_chars[MAX_KEYS][MAX_KEY_CHARS + 1] = {};
    };

    Input_manager_string();
    void invoke(Data_screen* screen, VT::Data_mask_obj* mask, VT::Container_obj* container, Stat* stat, int x, int y,
                Stat_decorations* decorations, int pencil_index) override;
    void commit() override;
    void cancel() override;
    bool handle_timeout(Timeout& t) override;
    void further_init(VT::Object_pool* pool) override;
    void further_handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms) override;

    void submit_timeout(Timeout& t, int ms);
    void remove_timeout(Timeout& t);
    void update_at_current_index();

    int get_cursor() const { return cursor; }
    int get_page() const { return page; }
    bool is_timer_pending() const { return timer_pending; }
    Timeout& get_timer() { return timer; }
    const Char_set& get_set(int i) const { return sets[i]; }

private:
    // Spreads each set's characters over the keys it has.
    void spread_sets();
    void advance();
    void cancel_timer();
    // The answer of a character key (1 to 4), 0 when it is none.
    int tap(unsigned short key, char& c);

    Stat_string* stat = nullptr;
    Timeout timer;
    bool timer_pending = false;
    char backup[256] = {};
    Char_set sets[NUM_SETS];
    unsigned short page_masks[NUM_PAGES] = {NULL_ID, NULL_ID, NULL_ID, NULL_ID};
    unsigned short space_id = NULL_ID;
    unsigned short backspace_id = NULL_ID;
    unsigned short cycle_id = NULL_ID;
    VT::Container_obj* page_containers[NUM_PAGES] = {};
    int cursor = 0;
    int max_index = 0;
    VT::Data_mask_obj* mask = nullptr;
    VT::Container_obj* container = nullptr;
    int page = 0;
    int x0 = 0;
    int char_width = 0;
    int pencil_index = 0;
};

class Input_manager_broker {
public:
    bool init(VT::Object_pool* pool);
    // The manager of the stat's kind, invoked with the same arguments; null
    // for a kind without one.
    Input_manager* get_input_manager(Data_screen* screen, VT::Data_mask_obj* mask, VT::Container_obj* container,
                                     Stat* stat, int x, int y, Stat_decorations* decorations, int pencil_index);
    static Input_manager_broker& instance();

    Input_manager_number number;
    Input_manager_cycle_box cycle_box;
    Input_manager_string string;
    Input_manager_list list;
    Input_manager_bool boolean;
};
