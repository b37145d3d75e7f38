#include "platform/rtos/Task.h"

#include <algorithm>
#include <cstring>

namespace {
// Small stacks from the board's configuration do not survive instrumented
// builds or glibc's own needs; use at least this much.
constexpr size_t MIN_STACK_BYTES = 512 * 1024;
} // namespace

TaskImp::TaskImp(const char* name, int stack_size, bool flag, int /*reserved*/)
    : name_(QString::fromUtf8(name ? name : "")), stack_size_(stack_size), flag_(flag)
{
}

TaskImp::~TaskImp() = default;

void TaskImp::set_name(const QString& name)
{
    std::lock_guard<std::mutex> guard(mutex_);
    name_ = name;
}

QString TaskImp::name() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return name_;
}

void TaskImp::apply_name_to(pthread_t thread) const
{
    QByteArray bytes = name().toUtf8();
    char buf[16];
    std::strncpy(buf, bytes.constData(), sizeof buf - 1);
    buf[sizeof buf - 1] = '\0';
    pthread_setname_np(thread, buf);
}

void TaskImp::open_gate()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        gate_open_ = true;
    }
    gate_cv_.notify_one();
}

void TaskImp::wait_gate()
{
    std::unique_lock<std::mutex> lock(mutex_);
    gate_cv_.wait(lock, [this] { return gate_open_; });
    gate_open_ = false;
}

Task::Task(const char* name, int stack_size, bool flag, int reserved)
    : TaskImp(name, stack_size, flag, reserved)
{
}

Task::~Task()
{
    bool join = false;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        join = started_;
        started_ = false;
    }
    if (!join)
        return;
    if (pthread_equal(thread_, pthread_self()))
        pthread_detach(thread_);
    else
        pthread_join(thread_, nullptr);
}

bool Task::started() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return started_;
}

void* Task::trampoline(void* self)
{
    Task* task = static_cast<Task*>(self);
    task->apply_name_to(pthread_self());
    return task->entry_(task->arg_);
}

int Task::start(int priority, Entry entry, void* arg)
{
    if (!entry)
        return -1;
    std::lock_guard<std::mutex> guard(mutex_);
    if (started_)
        return -1;
    priority_ = priority;
    entry_ = entry;
    arg_ = arg;

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    size_t stack = std::max(MIN_STACK_BYTES, static_cast<size_t>(std::max(stack_size_, 0)));
    pthread_attr_setstacksize(&attr, stack);
    // Priorities of the board map to the default policy here: real-time
    // scheduling needs privileges a development machine does not grant.
    int rc = pthread_create(&thread_, &attr, &Task::trampoline, this);
    pthread_attr_destroy(&attr);
    if (rc != 0)
        return -1;
    started_ = true;
    return 0;
}
