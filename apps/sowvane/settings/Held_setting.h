#pragma once
// A setting that a page holds at a value of its own while it is shown (the
// area test keeps the switch boxes out of its way, a calibration the master
// clutch). The live tree carries the held value for whoever reads it; the
// settings file keeps the operator's: a save while the setting is held
// writes the operator's value in its place. So leaving the page, a stop,
// SIGKILL or a power loss leaves the operator's setting as it was.
//
// A setting that someone else changes while it is held (the console, a
// remote peer) is theirs from then on: neither a save nor the release puts
// the operator's old value back over it.

#include "glue/NV_store/NV_root.h"

class Held_setting {
public:
    Held_setting() = default;
    virtual ~Held_setting() = default;
    Held_setting(const Held_setting&) = delete;
    Held_setting& operator=(const Held_setting&) = delete;

    // For the time of a save of the tree: the tree's lock is held, so the
    // save writes one state of it (no write from another thread lands
    // half-way), and every setting of the tree that is held shows its
    // operator's value (no reader sees the swap).
    class Saving {
    public:
        explicit Saving(NV_store::NV_root& root);
        ~Saving();
        Saving(const Saving&) = delete;
        Saving& operator=(const Saving&) = delete;

    private:
        NV_store::NV_root& root_;
    };

protected:
    // The list of held settings, taken before the tree's lock.
    static void lock_list();
    static void unlock_list();
    void enlist();
    void delist();

    virtual const NV_store::NV_item* item() const = 0;
    // Under the tree's lock, without notification: the operator's value in
    // the tree (when the tree still has the held value), then the held one
    // back.
    virtual void show_operator_value() = 0;
    virtual void show_held_value() = 0;

private:
    Held_setting* next_ = nullptr;
    bool listed_ = false;
};

// A number setting (NV_store::NV_number) held.
template <class Setting>
class Held_value final : public Held_setting {
public:
    using T = typename Setting::value_type;

    Held_value() = default;
    // Without a change event: the module the page belongs to goes away with
    // it, at the end of the program.
    ~Held_value() override
    {
        lock_list();
        if (setting_ != nullptr) {
            setting_->lock();
            if (setting_->_get() == held_)
                setting_->_set(operator_);
            setting_->unlock();
            delist();
        }
        unlock_list();
    }

    // Sets the setting to value for the time it is held. The first hold
    // keeps the operator's value; holding it again changes the held value
    // only.
    void hold(Setting& setting, T value)
    {
        lock_list();
        if (setting_ == nullptr) {
            setting_ = &setting;
            operator_ = setting.get();
            enlist();
        }
        held_ = value;
        setting_->set(value);
        unlock_list();
    }

    // The operator's value again (with its change event), unless the
    // setting was changed meanwhile by someone else.
    void release()
    {
        lock_list();
        if (setting_ != nullptr) {
            setting_->lock();
            if (setting_->_get() == held_)
                setting_->_set(operator_, NV_store::NOTIFY_ALL);
            setting_->unlock();
            delist();
            setting_ = nullptr;
        }
        unlock_list();
    }

    bool held() const { return setting_ != nullptr; }
    // The value the operator set, while held.
    T operator_value() const { return operator_; }

private:
    const NV_store::NV_item* item() const override { return setting_; }
    void show_operator_value() override
    {
        swapped_ = setting_->_get() == held_;
        if (swapped_)
            setting_->_set(operator_);
    }
    void show_held_value() override
    {
        if (swapped_)
            setting_->_set(held_);
        swapped_ = false;
    }

    Setting* setting_ = nullptr;
    T operator_{};
    T held_{};
    bool swapped_ = false;
};
