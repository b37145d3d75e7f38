// Two transport engines joined back to back on a virtual clock: frames that
// one produces are handed to the other, deadlines fire when the clock reaches
// them. No bus, no threads, no sleeps.
#pragma once

#include "can/JIN_trans.h"
#include "can/NMEA2000_fast_sid_manager.h"

#include <functional>
#include <vector>

struct Trans_end {
    JIN_trans t;
    int cts_threshold = 255;
    bool fast_rx = false; // frames of other PGNs are fast-packet frames
    bool wants_tx = false;
    bool armed = false;
    long deadline = 0;
    long armed_order = 0; // deadlines due at the same time fire in the order they were set
    JIN_msg_group group = JIN_GROUP_FINISHED;
    std::vector<int> errors;
    std::vector<int> timeouts_ms; // every deadline asked for, in order
    bool keep_timeouts = true;

    void apply(const JIN_msg_ret& r, long now)
    {
        static long arming = 0;
        if (r.get_group() != JIN_GROUP_UNCHANGED)
            group = r.get_group();
        if (r.is_timeout_changed()) {
            armed = true;
            deadline = now + r.get_timeout_ms();
            armed_order = ++arming;
            if (keep_timeouts)
                timeouts_ms.push_back(r.get_timeout_ms());
        }
        switch (r.get_transmit_requested()) {
        case JIN_TX_NONE: wants_tx = false; break;
        case JIN_TX_WANTED:
        case JIN_TX_WANTED_LAST: wants_tx = true; break;
        default: break;
        }
        if (group == JIN_GROUP_FINISHED || group == JIN_GROUP_TX_DONE ||
            group == JIN_GROUP_RX_COMPLETE) {
            // Done, or waiting to be read: the owner acts at once.
            armed = false;
            if (group != JIN_GROUP_RX_COMPLETE)
                wants_tx = false;
        }
        if (r.get_error() != 0 && r.get_error() != JIN_ERR_DATA_WANTED)
            errors.push_back(r.get_error());
    }
};

struct Sent_frame {
    int from; // 0 or 1
    JIN_packet frame;
};

class Trans_link {
public:
    Trans_end end[2];
    long now = 0;
    std::vector<Sent_frame> log;
    bool keep_log = true;
    // Decides whether a frame reaches the other end (default: always).
    std::function<bool(int from, const JIN_packet&)> deliver;
    NMEA2000_fast_sid_manager sids;
    int max_frames = 10;

    // End 0 sends h with data to end 1.
    JIN_msg_ret send(const JIN_header& h, const unsigned char* data, unsigned len)
    {
        JIN_msg_ret r = end[0].t.write(h, data, len);
        end[0].apply(r, now);
        if (r.get_group() == JIN_GROUP_FINISHED)
            return r;
        r = end[0].t.commence_tx(sids);
        end[0].apply(r, now);
        return r;
    }

    void put(int to, const JIN_packet& f)
    {
        JIN_msg_ret r = end[to].t.put_packet(f, end[to].fast_rx);
        end[to].apply(r, now);
    }

    // One step: frames from an end that wants transmit time, else the next
    // deadline. False when nothing is left to do.
    bool step()
    {
        for (int i = 0; i < 2; ++i) {
            if (!end[i].wants_tx)
                continue;
            JIN_packet frames[16];
            int count = end[i].cts_threshold;
            JIN_msg_ret r = end[i].t.get_packets(frames, max_frames, count);
            end[i].apply(r, now);
            if (count == 0)
                end[i].wants_tx = false;
            for (int k = 0; k < count; ++k) {
                if (keep_log)
                    log.push_back({i, frames[k]});
                if (!deliver || deliver(i, frames[k]))
                    put(1 - i, frames[k]);
            }
            return true;
        }
        int next = -1;
        for (int i = 0; i < 2; ++i)
            if (end[i].armed &&
                (next < 0 || end[i].deadline < end[next].deadline ||
                 (end[i].deadline == end[next].deadline &&
                  end[i].armed_order < end[next].armed_order)))
                next = i;
        if (next < 0)
            return false;
        now = std::max(now, end[next].deadline);
        end[next].armed = false;
        JIN_msg_ret r = end[next].t.timeout_notify();
        end[next].apply(r, now);
        return true;
    }

    // Runs until nothing is left to do (or a step limit).
    void run(long max_steps = 10000000)
    {
        while (max_steps-- > 0 && step()) {
        }
    }
};
