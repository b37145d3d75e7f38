// The way from the remote data-store server (or client) back to one peer: a
// transport implements it and hands one to the server with every request.
#pragma once

namespace CDS {
namespace Remote {

class Backend {
public:
    // Reserves the transport's header at the start of buffer: returns where
    // the protocol message begins and lowers length by the bytes reserved;
    // null when the buffer is too short.
    virtual unsigned char* get_tx_buffer(unsigned char* buffer, int& length) = 0;
    // Transmits the message of length bytes that get_tx_buffer placed in
    // buffer. With notify, the transport reports the end of the
    // transmission to the server with the code (negated when it failed).
    // Non-zero when the transport accepted it.
    virtual int send(unsigned char* buffer, int length, bool notify, int code) = 0;
    // Whether both reach the same peer the same way.
    virtual bool equals(const Backend& other) const = 0;
    // A copy owned by the caller.
    virtual Backend* clone() const = 0;
    virtual ~Backend() = default;
};

} // namespace Remote
} // namespace CDS
