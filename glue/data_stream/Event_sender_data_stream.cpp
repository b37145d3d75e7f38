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

void Event_sender_data_stream::send_rx_event(bool full)
{
    if (rx_waiter_ == nullptr || (rx_quiet_ && !full)) {
        return;
    }
    waiter_event event(module_id_, full ? DATA_ARRIVED_FULL : DATA_ARRIVED, 0);
    rx_waiter_->send_event(event, true, false);
}

void Event_sender_data_stream::send_tx_event(bool empty)
{
    if (tx_waiter_ == nullptr || (tx_quiet_ && !empty)) {
        return;
    }
    waiter_event event(module_id_, empty ? BUFFER_EMPTY : SPACE_FREED, 0);
    tx_waiter_->send_event(event, true, false);
}
