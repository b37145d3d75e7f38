// Numbered debug channels switched on by a filter string ("-d JDB=2C2B").
#pragma once

#include "util/Debug_print.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

// The filter codes of the system and the set of active ones.
struct _JDB {
    enum jdb_enum : unsigned char {
        NONE = 0,
        CAN_06 = 6,   // CAN stack traces
        CAN_07 = 7,
        CAN_13 = 13,
        MESSAGE_VIEW = 34,
        VTUI_35 = 35,
        VTUI_36 = 36,
        VTUI_37 = 37,
        TC_CLIENT = 40,
        CAN_41 = 41,
        CAN_BRIDGE = 42,
        MUTEX_NO_ABORT = 43, // a bad mutex status does not abort
        MUTEX_NO_CHECK = 44, // the mutex status check is skipped
        CAN_45 = 45,
        DIAGNOSTICS = 46,
        TIMEOUT_TREES = 50,  // the timeout trees are printed after each change
        VTUI_59 = 59,
    };
    static constexpr int MAX_ACTIVE = 6;
    // Active codes packed from the front, 0 marking the end.
    static std::atomic<unsigned char> current_active[MAX_ACTIVE];
};

template <class D, typename E>
class Debug_base {
public:
    // Clears all codes, then reads pairs of hexadecimal digits: "2C2B"
    // switches on 0x2C and 0x2B; zeros are skipped; at most six codes.
    static void set_filters(const char* text)
    {
        for (auto& c : D::current_active)
            c = 0;
        if (!text)
            return;
        int stored = 0;
        const char* p = text;
        while (stored < D::MAX_ACTIVE && p[0] && p[1] && p[0] != '\n' && p[0] != '\r') {
            char pair[3] = {p[0], p[1], '\0'};
            unsigned int value = 0;
            if (std::sscanf(pair, "%2X", &value) != 1)
                break;
            p += 2;
            if (value != 0) {
                D::current_active[stored++] = static_cast<unsigned char>(value);
                Debug_print::dprint("add 0x%x\n", value);
            }
        }
    }

    static bool enabled(E code)
    {
        if (code == 0)
            return false;
        for (const auto& c : D::current_active) {
            unsigned char v = c;
            if (v == 0)
                return false;
            if (v == code)
                return true;
        }
        return false;
    }
    static bool _enabled(E code) { return enabled(code); }

    [[gnu::format(printf, 2, 3)]] static void print(E code, const char* format, ...)
    {
        if (!enabled(code))
            return;
        char buf[Debug_print::LINE_SIZE];
        va_list ap;
        va_start(ap, format);
        std::vsnprintf(buf, sizeof buf, format, ap);
        va_end(ap);
        Debug_print::printd(buf, 0);
    }

    // Moves an active code to the end, or adds it; false when all six
    // places are taken.
    static bool add_filter(E code)
    {
        remove_filter(code);
        for (auto& c : D::current_active) {
            if (c == 0) {
                c = static_cast<unsigned char>(code);
                return true;
            }
        }
        return false;
    }

    // Removes every occurrence; true when one was removed.
    static bool remove_filter(E code)
    {
        bool removed = false;
        int to = 0;
        for (int from = 0; from < D::MAX_ACTIVE; ++from) {
            unsigned char v = D::current_active[from];
            if (v == code && code != 0) {
                removed = true;
                continue;
            }
            D::current_active[to++] = v;
        }
        while (to < D::MAX_ACTIVE)
            D::current_active[to++] = 0;
        return removed;
    }

    static int get_num_active_filters()
    {
        int n = 0;
        while (n < D::MAX_ACTIVE && D::current_active[n] != 0)
            ++n;
        return n;
    }

    static int get_active_filter(int i)
    {
        if (i < 0 || i >= get_num_active_filters())
            return 0;
        return D::current_active[i];
    }
};

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;
