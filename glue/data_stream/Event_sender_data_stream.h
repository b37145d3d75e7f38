// A stream that tells registered receivers when data arrives (rx) or buffer
// space frees (tx). Events carry the stream's module id and, in both the data
// and the code word: 0 data arrived, 1 data arrived and the receiving buffer
// is full, 2 space was freed, 3 the buffer has become empty. Repeats of one
// state merge in the receiver's queue; different states do not.
#pragma once

#include "glue/data_stream/Data_stream.h"

class module_man;
class waiter_descriptor;

class Event_sender_data_stream : public Data_stream {
public:
    enum Event_data : uint32_t {
        DATA_ARRIVED = 0,
        DATA_ARRIVED_FULL = 1,
        SPACE_FREED = 2,
        BUFFER_EMPTY = 3,
    };

    // With a module_man the stream gets a plain module id of its own, else 0.
    explicit Event_sender_data_stream(module_man* mm);
    ~Event_sender_data_stream() override;

    // Under lock(): stores the receiver (null switches events off). A quiet
    // receiver only hears "full" (rx) or "empty" (tx).
    void reg_rx_waiter(waiter_descriptor* waiter, bool quiet);
    void reg_tx_waiter(waiter_descriptor* waiter, bool quiet);

    short get_module_id() const { return module_id_; }

    // The stream's own lock; nothing in this class.
    virtual void lock();
    virtual void unlock();

protected:
    // Called with lock() held.
    void send_rx_event(bool full);
    void send_tx_event(bool empty);

private:
    void send_state(waiter_descriptor* waiter, Event_data state);

    short module_id_ = 0;
    waiter_descriptor* rx_waiter_ = nullptr;
    waiter_descriptor* tx_waiter_ = nullptr;
    bool rx_quiet_ = false;
    bool tx_quiet_ = false;
};
