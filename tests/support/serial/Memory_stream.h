// A Data_stream over bytes the test hands it: feed() puts them in the
// receive buffer at once (as a threaded port's reader would), and what is
// written collects in written().
#pragma once

#include "glue/data_stream/Data_stream.h"

#include <cstdint>
#include <vector>

class Memory_stream : public Data_stream {
public:
    // False when the buffer had no room for all of them.
    bool feed(const std::vector<uint8_t>& bytes)
    {
        return ring_append(bytes.data(), unsigned(bytes.size())) == bytes.size();
    }
    std::vector<uint8_t>& written() { return written_; }

    using Data_stream::get_data;
    bool get_data(int n) override { return n == 0; }
    int _write(const unsigned char* src, unsigned n) override
    {
        written_.insert(written_.end(), src, src + n);
        return int(n);
    }

private:
    std::vector<uint8_t> written_;
};
