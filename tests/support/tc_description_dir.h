// TC device descriptions for tests: the installed one, and a directory of
// its own with the DTD for a description written by the test.
#pragma once

#include "tests/support/app_data_dir.h"
#include "tests/support/temp_path.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace test_support {

inline std::string read_text_file(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Description_dir {
public:
    explicit Description_dir(const std::string& tag) : dir_(temp_path(tag) + "/")
    {
        ::mkdir(dir_.c_str(), 0700);
        std::ofstream(dir_ + "+TC2ISO.dtd") << read_text_file(tc_spec_dir() + "+TC2ISO.dtd");
    }
    ~Description_dir()
    {
        std::remove(path().c_str());
        std::remove((dir_ + "+TC2ISO.dtd").c_str());
        ::rmdir(dir_.c_str());
    }
    Description_dir(const Description_dir&) = delete;
    Description_dir& operator=(const Description_dir&) = delete;

    std::string write(const std::string& text)
    {
        std::ofstream(path()) << text;
        return path();
    }
    std::string path() const { return dir_ + "pool.xml"; }

private:
    std::string dir_;
};

} // namespace test_support
