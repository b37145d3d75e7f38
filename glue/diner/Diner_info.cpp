#include "glue/diner/Diner_info.h"

#include "glue/diner/Diner.h"
#include "platform/util/Simple_enum_wrapper.h"
#include "util/Atime.h"
#include "util/Debug_print.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char* const STATE_NAMES[] = {"Run", "Stoping", "Stop", "Uninit", "Term", "Unknown"};
const char* const ACTIVITY_NAMES[] = {"Idl", "Evt", "Tmt"};

const Simple_enum_wrapper_ state_text(STATE_NAMES, 6, 0, STATE_NAMES[0]);
const Simple_enum_wrapper_ activity_text(ACTIVITY_NAMES, 3, 0, ACTIVITY_NAMES[0]);

void write_out(bool to_debug, const char* text)
{
    if (to_debug)
        Debug_print::dprint("%s", text);
    else
        std::fputs(text, stdout);
}

void exit_handler()
{
    Diner_info_list::get()->terminate_all();
}

} // namespace

void Diner_info::print(bool to_debug, bool full_paths) const
{
    const char* file = checkpoint_file_.load();
    if (!file)
        file = "";
    if (!full_paths) {
        const char* slash = std::strrchr(file, '/');
        if (slash)
            file = slash + 1;
    }
    char line[Debug_print::LINE_SIZE];
    int n = std::snprintf(line, sizeof line, "%9s %5s-%d %3s %8d %7d %s:%d\n", diner_->name(),
                          state_text.to_string(diner_->get_state()), 0,
                          activity_text.to_string(activity_), event_count(), timeout_count(),
                          file, checkpoint_line_.load());
    if (n > 0 && n < int(sizeof line) - 1)
        append_print_info(line + n, int(sizeof line) - n);
    write_out(to_debug, line);
}

void Diner_info::test_lock()
{
    Debug_print::cprint(true, "Testing %9s", diner_->name());
    diner_->lock(-1);
    diner_->unlock();
    Debug_print::cprint(true, ".. Ok\n");
}

Diner_info_list* Diner_info_list::get()
{
    // Never deleted: Diner threads that end during process exit still find
    // it. What its destructor would do runs at exit instead.
    static Diner_info_list* list = [] {
        auto* l = new Diner_info_list;
        std::atexit(exit_handler);
        return l;
    }();
    return list;
}

void Diner_info_list::add(Diner_info& info)
{
    Mutex::Protection guard(&mutex_);
    if (!info.in_list())
        list_.push(&info);
}

void Diner_info_list::remove(Diner_info& info)
{
    Mutex::Protection guard(&mutex_);
    list_.remove(&info);
}

void Diner_info_list::remove_ending(Diner_info& info)
{
    Mutex::Protection guard(&mutex_);
    list_.remove(&info);
    ++ending_;
}

void Diner_info_list::ending_done()
{
    --ending_;
}

int Diner_info_list::count()
{
    Mutex::Protection guard(&mutex_);
    return list_.count();
}

void Diner_info_list::print(bool to_debug, bool full_paths)
{
    Mutex::Protection guard(&mutex_);
    write_out(to_debug, "\nId      Name State Run   EventCnt ToutCnt Checkpoint\n");
    int i = 0;
    for (Diner_info* info = list_.first(); info; info = list_.next(info), ++i) {
        char place[16];
        std::snprintf(place, sizeof place, "%2d ", i);
        write_out(to_debug, place);
        info->print(to_debug, full_paths);
    }
}

template <class Fn>
void Diner_info_list::for_each_pinned(Fn fn)
{
    std::vector<Diner_info*> pinned;
    {
        Mutex::Protection guard(&mutex_);
        for (Diner_info* info = list_.first(); info; info = list_.next(info)) {
            ++info->pins_;
            pinned.push_back(info);
        }
    }
    for (Diner_info* info : pinned) {
        fn(info);
        --info->pins_;
    }
}

void Diner_info_list::test_lock()
{
    for_each_pinned([](Diner_info* info) { info->test_lock(); });
}

void Diner_info_list::set_debug_level(int index, unsigned char level)
{
    Mutex::Protection guard(&mutex_);
    if (Diner_info* info = list_.get(index))
        info->set_debug_level(level);
}

// exit() may be called inside a Diner's handler (a fatal check): that Diner
// is left alone, since its thread is the one running the exit and cannot end
// before it.
void Diner_info_list::terminate_all()
{
    for_each_pinned([](Diner_info* info) {
        if (!info->diner()->runs_on_this_thread())
            info->diner()->terminate(false);
    });
    mutex_.lock();
    for (unsigned int pass = 1;; ++pass) {
        unsigned int total = 0, alive = 0;
        for (Diner_info* info = list_.first(); info; info = list_.next(info)) {
            if (info->diner()->runs_on_this_thread())
                continue;
            ++total;
            if (!info->diner()->terminated())
                ++alive;
        }
        unsigned int ending = unsigned(ending_.load());
        total += ending;
        alive += ending;
        if (alive == 0)
            break;
        if (pass >= 16)
            std::fprintf(stderr, "%u out of %u diners still alive\n", alive, total);
        // Ending threads take the mutex to leave the list.
        mutex_.unlock();
        Atime::delay(100);
        mutex_.lock();
    }
    mutex_.unlock();
}
