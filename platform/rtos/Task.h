// Task layer of the platform: threads behind the Diners and the console task.
#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <pthread.h>

// The name and the start gate of a task. A task is made from
// (name, stack size, flag, 0); the thread it runs waits at the start gate,
// which holds at most one pass.
class TaskImp {
public:
    TaskImp(const char* name, int stack_size, bool flag, int reserved);
    virtual ~TaskImp();

    TaskImp(const TaskImp&) = delete;
    TaskImp& operator=(const TaskImp&) = delete;

    // Names the thread (Linux keeps at most 15 characters). Applied at once
    // when the thread runs, else when it is started.
    void set_name(const QString& name);
    QString name() const;

    // Opens the gate: one waiting (or future) wait_gate() passes. Opening an
    // open gate changes nothing.
    void open_gate();
    // Blocks the calling thread until the gate is open, then closes it again.
    void wait_gate();

    int stack_size() const { return stack_size_; }
    bool flag() const { return flag_; }

protected:
    void apply_name_to(pthread_t thread) const;

    mutable std::mutex mutex_;
    std::condition_variable gate_cv_;
    bool gate_open_ = false;
    QString name_;
    int stack_size_;
    bool flag_;
};

class Task : public TaskImp {
public:
    using Entry = void* (*)(void*);

    Task(const char* name, int stack_size, bool flag, int reserved);
    // Waits for the thread to end (it must have been asked to); a task that
    // is destroyed by its own thread detaches it instead.
    ~Task() override;

    // Starts a thread running entry(arg). The priority is accepted and mapped
    // to what an unprivileged process may use: it never fails because of it.
    // Returns 0, or -1 when a thread was started already or none could be made.
    int start(int priority, Entry entry, void* arg);

    bool started() const;
    int priority() const { return priority_; }

private:
    static void* trampoline(void* self);

    pthread_t thread_{};
    bool started_ = false;
    int priority_ = 0;
    Entry entry_ = nullptr;
    void* arg_ = nullptr;
};
