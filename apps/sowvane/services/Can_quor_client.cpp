#include "apps/sowvane/services/Can_quor_client.h"

#include "apps/sowvane/services/Can_quor.h"
#include "can/JIN_stack.h"

namespace Can_quor {

Remote_client::Remote_client(CDS::Remote::Client::Listener* listener, const char* cache_dir)
    : CDS::Remote::Client(listener, cache_dir)
{
}

Remote_client::~Remote_client()
{
    if (get_state() != Diner::UNINIT && !terminated())
        terminate(true);
}

int Remote_client::init(module_man& mm, JIN_stack* stack, unsigned char own_address,
                        unsigned char server_address)
{
    stack_ = stack;
    own_address_ = own_address;
    server_address_ = server_address;
    Diner::init(mm, nullptr, Diner::Descriptor("QCLI", 0), 100, 3072, true, false);
    Diner::start();
    return 1;
}

unsigned char* Remote_client::get_tx_buffer(unsigned char* buffer, int& length)
{
    if (!buffer || length < MARKER_LENGTH)
        return nullptr;
    buffer[0] = buffer[1] = MARKER;
    length -= MARKER_LENGTH;
    return buffer + MARKER_LENGTH;
}

bool Remote_client::send(unsigned char* buffer, int length)
{
    if (!stack_ || length < 0)
        return false;
    const JIN_header h(own_address_, server_address_, PGN_REMOTE_DATA, REPLY_PRIORITY,
                       JIN_TRANS_TX_FAST, unsigned(length + MARKER_LENGTH));
    stack_->lock(-1);
    const int rc = stack_->__write(h, buffer, length + MARKER_LENGTH, nullptr, 1);
    stack_->unlock();
    stack_->send_anonymous_event();
    return rc == 0;
}

void Remote_client::diner_start()
{
    stack_->register_pgn(PGN_REMOTE_DATA, &get_waiter(), &registration_id_, JIN_PGN::FAST);
}

void Remote_client::diner_stop()
{
    stack_->deregister_pgn(PGN_REMOTE_DATA, &get_waiter(), JIN_PGN::FAST);
}

void Remote_client::handle_event(waiter_event& event)
{
    if (event.module_id != registration_id_)
        return;
    JIN_header h;
    unsigned char buffer[Can_quor::MAX_FRAME];
    if (stack_->read(PGN_REMOTE_DATA, h, buffer, sizeof buffer, sizeof buffer, &get_waiter(),
                     JIN_PGN::FAST) < 0)
        return;
    if (h.src != server_address_ || h.length <= unsigned(MARKER_LENGTH) || buffer[0] != MARKER ||
        buffer[1] != MARKER)
        return;
    handle_message(buffer + MARKER_LENGTH, int(h.length) - MARKER_LENGTH);
}

} // namespace Can_quor
