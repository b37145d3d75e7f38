// A pseudo-terminal pair: the code under test opens the slave by its name,
// the way it opens a serial port ("/dev/pts/N:57600"); the test plays the
// device on the master.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

class Pty_pair {
public:
    Pty_pair();
    ~Pty_pair();
    Pty_pair(const Pty_pair&) = delete;
    Pty_pair& operator=(const Pty_pair&) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slave_name() const { return slave_name_; }
    // The port text for the project's serial streams.
    std::string port_spec(const char* baud = "57600") const { return slave_name_ + ":" + baud; }

    // Writes all bytes in one write on the master; false when it fails.
    bool write(const std::vector<uint8_t>& bytes);
    // Reads what arrives within timeout_ms (bounded: poll, then what is
    // there); empty when nothing came.
    std::vector<uint8_t> read_some(int timeout_ms);

private:
    int master_ = -1;
    int slave_keep_ = -1; // keeps the line up while the code under test reopens it
    std::string slave_name_;
};

} // namespace test_support
