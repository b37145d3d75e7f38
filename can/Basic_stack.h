// What every CAN stack offers its senders.
#pragma once

class waiter_descriptor;

class Basic_stack {
public:
    virtual ~Basic_stack() = default;

    // Queues a message of len bytes (data_len of them given now) from src to
    // dest. 0 when queued, else a negative result code.
    virtual int write(unsigned char src, unsigned char dest, unsigned int pgn, unsigned int prio,
                      unsigned long len, const unsigned char* data, int data_len,
                      waiter_descriptor* waiter, int tag) = 0;
};
