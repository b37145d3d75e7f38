#include "tests/support/tc/Test_tc_server.h"


#include <cstring>

namespace test_support {

using namespace TC;

void Test_tc_server::reply(unsigned char client, unsigned char sub,
                           std::initializer_list<unsigned char> rest)
{
    unsigned char d[8] = {sub, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    int i = 1;
    for (unsigned char b : rest)
        d[i++] = b;
    link_.send(PGN_PROCESS_DATA, client, PD_PRIORITY, d, 8, 0);
}

void Test_tc_server::send_command(unsigned char client, command_t cmd, unsigned short element,
                                  ddi_t ddi, int32_t value)
{
    unsigned char d[8];
    pd_encode(d, cmd, element, ddi, value);
    link_.send(PGN_PROCESS_DATA, client, PD_PRIORITY, d, 8, 0);
}

void Test_tc_server::request_version(unsigned char client) { reply(client, SUB_REQUEST_VERSION, {}); }

void Test_tc_server::refuse(unsigned char client)
{
    ++refused;
    const unsigned char nack[8] = {0x01, 0xFF, 0xFF, 0xFF, client, 0x00, 0xCB, 0x00};
    link_.send(PGN_ACKNOWLEDGEMENT, client, 6, nack, 8, 0);
}

void Test_tc_server::restart()
{
    for (auto& entry : clients) {
        entry.second.active = false;
        entry.second.announced = false;
    }
    next_status_ = 0;
}

void Test_tc_server::handle_time(int64_t now_ms)
{
    if (silent_ || own_ == NO_ADDRESS || now_ms < next_status_)
        return;
    next_status_ = now_ms + 2000;
    if (first_status_ms < 0)
        first_status_ms = now_ms;
    const unsigned char status[8] = {0xFE, 0xFF, 0xFF, 0xFF,
                                     static_cast<unsigned char>(task_active_ ? 0x01 : 0x00),
                                     0x00, 0x00, 0xFF};
    link_.send(PGN_PROCESS_DATA, GLOBAL_ADDRESS, PD_PRIORITY, status, 8, 0);
}

void Test_tc_server::handle_message(unsigned pgn, unsigned char src, unsigned char dest,
                                    const unsigned char* d, int len, int64_t now_ms)
{
    if (pgn == PGN_WORKING_SET_MASTER) {
        ++master_messages;
        clients[src].announced = true;
        return;
    }
    if (pgn != PGN_PROCESS_DATA || dest != own_ || len < 8)
        return;
    ++client_messages;
    Client& c = clients[src];
    switch (d[0] & 0x0F) {
    case CMD_TECHNICAL:
        if (d[0] == SUB_REQUEST_VERSION)
            reply(src, SUB_VERSION, {4, 0xFF, 0x1F, 0x00, 1, 16, 1});
        else if (d[0] == SUB_VERSION)
            versions.emplace_back(d, d + 8);
        return;
    case CMD_CLIENT_TASK:
        ++task_messages;
        last_task_message.assign(d, d + 8);
        return;
    case CMD_VALUE:
    case CMD_ACKNOWLEDGE:
        if (!c.active) {
            refuse(src);
        } else if ((d[0] & 0x0F) == CMD_VALUE) {
            values.push_back({src, pd_element(d), pd_ddi(d), pd_value(d)});
        } else {
            acks.push_back({src, pd_element(d), pd_ddi(d), d[4], static_cast<unsigned char>(d[5] & 0x0F)});
        }
        return;
    case CMD_DEVICE_DESCRIPTOR:
        if (!c.announced) {
            refuse(src);
            return;
        }
        break;
    default:
        return;
    }
    switch (d[0]) {
    case SUB_REQUEST_STRUCTURE_LABEL:
        if (c.pool.empty())
            reply(src, SUB_STRUCTURE_LABEL, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        else
            reply(src, SUB_STRUCTURE_LABEL,
                  {c.structure[0], c.structure[1], c.structure[2], c.structure[3], c.structure[4],
                   c.structure[5], c.structure[6]});
        break;
    case SUB_REQUEST_LOCALISATION_LABEL:
        if (c.pool.empty())
            reply(src, SUB_LOCALISATION_LABEL, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        else
            reply(src, SUB_LOCALISATION_LABEL,
                  {c.localisation[0], c.localisation[1], c.localisation[2], c.localisation[3],
                   c.localisation[4], c.localisation[5], c.localisation[6]});
        break;
    case SUB_REQUEST_POOL_TRANSFER:
        reply(src, SUB_POOL_TRANSFER_RESPONSE_SPACE, {static_cast<unsigned char>(no_room_ ? 1 : 0)});
        break;
    case SUB_POOL_TRANSFER: {
        ++transfers;
        // The pool must read back whole, with one device whose labels the
        // server keeps.
        Object_pool check(nullptr, nullptr, 0);
        unsigned char errors = transfer_errors_;
        if (!check.load_ddop(d + 1, len - 1, last_pool_error))
            errors |= 0x01;
        if (!errors) {
            c.pool.assign(d + 1, d + len);
            c.active = false;
            for (const auto& entry : check.objects())
                if (entry.second->get_type() == TC_obj_type::DEVICE) {
                    auto* dev = static_cast<const Device_obj*>(entry.second);
                    std::memcpy(c.structure, dev->get_structure_label(), 7);
                    std::memcpy(c.localisation, dev->get_localisation_label(), 7);
                }
        }
        uint32_t size = uint32_t(len - 1);
        reply(src, SUB_POOL_TRANSFER_RESPONSE,
              {errors, static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
               static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)});
        break;
    }
    case SUB_ACTIVATE:
        if (d[1] == 0x00) {
            c.active = false;
            reply(src, SUB_ACTIVATE_RESPONSE, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0});
        } else if (c.pool.empty()) {
            reply(src, SUB_ACTIVATE_RESPONSE, {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0});
        } else {
            c.active = true;
            ++activations;
            reply(src, SUB_ACTIVATE_RESPONSE, {0, 0xFF, 0xFF, 0xFF, 0xFF, 0});
        }
        break;
    case SUB_DELETE:
        ++deletes;
        c = Client();
        reply(src, SUB_DELETE_RESPONSE, {0});
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------

Test_tc_server_host::Test_tc_server_host(JIN_smart_stack& stack, const JIN_name::RAWNAME& name)
    : Stack_host(stack, name), server_(*this)
{
}

Test_tc_server_host::~Test_tc_server_host() { stop_host(); }

bool Test_tc_server_host::start(module_man& mm)
{
    return open_host(mm, "TTCS", {PGN_PROCESS_DATA, PGN_WORKING_SET_MASTER}, 50, 200000) &&
           Diner::start() == 0;
}

void Test_tc_server_host::on_message(const JIN_header& h, const unsigned char* data, int64_t now)
{
    server_.set_own_address(own_address());
    server_.handle_message(h.pgn, h.src, h.dest, data, int(h.length), now);
}

void Test_tc_server_host::on_tick(int64_t now)
{
    server_.set_own_address(own_address());
    server_.handle_time(now);
}

} // namespace test_support
