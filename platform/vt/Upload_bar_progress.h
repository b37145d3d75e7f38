// Shows the progress of the pool transfer in a number variable of the pool
// (0 to 100 percent), for a bar graph or number that displays it.
#pragma once

#include <cstdint>

namespace VT {

class Number_variable_obj;

class Upload_bar_progress {
public:
    // `var` may be null: the progress is then only kept.
    explicit Upload_bar_progress(Number_variable_obj* var) : var_(var) {}
    virtual ~Upload_bar_progress() = default;

    // `done` of `total` bytes are transferred.
    virtual void set_progress(uint32_t done, uint32_t total);
    int get_percent() const { return percent_; }
    Number_variable_obj* get_variable() const { return var_; }

private:
    Number_variable_obj* var_;
    int percent_ = 0;
};

} // namespace VT
