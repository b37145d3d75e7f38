// A Data_stream over bytes held in memory, for feeding parsers in tests.
// Each get_data hands over at most chunk bytes, so that items arrive split
// over several reads; feed() adds bytes later, as a slow link would.
#pragma once

#include "glue/data_stream/Data_stream.h"

#include <algorithm>
#include <string>
#include <vector>

class Byte_source_stream : public Data_stream {
public:
    explicit Byte_source_stream(const std::string& bytes = "", size_t chunk = 1u << 20)
        : source_(bytes.begin(), bytes.end()), chunk_(chunk)
    {
    }

    void feed(const std::string& bytes) { source_.insert(source_.end(), bytes.begin(), bytes.end()); }
    void set_chunk(size_t chunk) { chunk_ = chunk; }
    bool exhausted() const { return next_ >= source_.size(); }
    size_t left() const { return source_.size() - next_; }

    using Data_stream::get_data;
    bool get_data(int n) override
    {
        if (n <= 0)
            return true;
        size_t count = std::min({static_cast<size_t>(n), chunk_, source_.size() - next_});
        if (count > 0)
            store(source_.data() + next_, static_cast<unsigned>(count));
        next_ += count;
        return count == static_cast<size_t>(n);
    }
    int _write(const unsigned char*, unsigned) override { return -1; }

private:
    void store(const unsigned char* bytes, unsigned n) { ring_append(bytes, n); }

    std::vector<unsigned char> source_;
    size_t next_ = 0;
    size_t chunk_;
};
