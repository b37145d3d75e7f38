// File names for test output that no other test process shares (several
// test runs may share one machine and one temporary directory).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace test_support {

inline std::string temp_path(const std::string& name)
{
    return ::testing::TempDir() + "sowvane_" + std::to_string(::getpid()) + "_" + name;
}

} // namespace test_support
