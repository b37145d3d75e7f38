#include "glue/data_stream/Event_sender_data_stream.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "glue/diner/waiter_event.h"

Event_sender_data_stream::Event_sender_data_stream(module_man* mm)
{
    if (mm != nullptr) {
        mm->init_module(&module_id_, false);
    }
}

Event_sender_data_stream::~Event_sender_data_stream() = default;

void Event_sender_data_stream::lock() {}
void Event_sender_data_stream::unlock() {}

void Event_sender_data_stream::reg_rx_waiter(waiter_descriptor* waiter, bool quiet)
{
    lock();
    rx_waiter_ = waiter;
    rx_quiet_ = quiet;
    unlock();
}

void Event_sender_data_stream::reg_tx_waiter(waiter_descriptor* waiter, bool quiet)
{
    lock();
    tx_waiter_ = waiter;
    tx_quiet_ = quiet;
    unlock();
}

// The state goes in the code word as well as in the data word: events of one
// module id and code merge while they wait in the receiver's queue, and
// merging keeps the code, so "full" after a plain arrival is not lost.
void Event_sender_data_stream::send_state(waiter_descriptor* waiter, Event_data state)
{
    waiter_event event(module_id_, state, intptr_t(state));
    waiter->send_event(event, true, false);
}

void Event_sender_data_stream::send_rx_event(bool full)
{
    if (rx_waiter_ == nullptr || (rx_quiet_ && !full)) {
        return;
    }
    send_state(rx_waiter_, full ? DATA_ARRIVED_FULL : DATA_ARRIVED);
}

void Event_sender_data_stream::send_tx_event(bool empty)
{
    if (tx_waiter_ == nullptr || (tx_quiet_ && !empty)) {
        return;
    }
    send_state(tx_waiter_, empty ? BUFFER_EMPTY : SPACE_FREED);
}
