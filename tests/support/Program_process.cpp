#include "tests/support/Program_process.h"

#include "tests/support/app_data_dir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

Program_process::Program_process()
{
    std::string pattern = ::testing::TempDir() + "sowvane_program_XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        return;
    dir_ = buf.data();
    std::error_code error;
    std::filesystem::create_directories(dir_ + "/usr/share/sowvane", error);
    std::filesystem::copy(test_support::app_data_dir(), dir_ + "/usr/share/sowvane",
                          std::filesystem::copy_options::recursive, error);
    EXPECT_FALSE(error) << "data files: " << error.message();
}

Program_process::~Program_process()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status;
        ::waitpid(pid_, &status, 0);
    }
    close_input();
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

std::string Program_process::binary_path()
{
    if (const char* dir = std::getenv("SOWVANE_BINARY_DIR"))
        return std::string(dir) + "/bin/sowvane";
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return "sowvane";
    const std::string path(self, size_t(n));
    return path.substr(0, path.rfind('/')) + "/sowvane";
}

bool Program_process::start(const std::vector<std::string>& args, bool with_input)
{
    if (dir_.empty() || pid_ > 0)
        return false;
    int input[2] = {-1, -1};
    if (with_input && ::pipe2(input, O_CLOEXEC) != 0)
        return false;
    const std::string out = dir_ + "/out.txt", err = dir_ + "/err.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (with_input)
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // The program has the standard streams only, whatever the test (or the
    // shell that runs the tests) holds open.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    std::vector<std::string> all{binary_path()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (with_input) {
        ::close(input[0]);
        input_fd_ = input[1];
    }
    if (rc != 0) {
        pid_ = -1;
        close_input();
        return false;
    }
    return true;
}

bool Program_process::write_input(const std::string& text)
{
    return input_fd_ >= 0 && ::write(input_fd_, text.data(), text.size()) == ssize_t(text.size());
}

void Program_process::close_input()
{
    if (input_fd_ >= 0)
        ::close(input_fd_);
    input_fd_ = -1;
}

void Program_process::signal(int sig)
{
    if (pid_ > 0)
        ::kill(pid_, sig);
}

int Program_process::wait_exit(int timeout_ms)
{
    if (pid_ <= 0)
        return -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_)
            break;
        if (r < 0 || std::chrono::steady_clock::now() > end) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
    close_input();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Program_process::output() const { return read_file(dir_ + "/out.txt"); }
std::string Program_process::errors() const { return read_file(dir_ + "/err.txt"); }

bool Program_process::sanitizer_reported() const
{
    const std::string text = errors();
    return text.find("Sanitizer") != std::string::npos ||
           text.find("runtime error") != std::string::npos;
}

bool Program_process::has_thread(const std::string& name) const
{
    if (pid_ <= 0)
        return false;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/task", error))
        if (read_file(task.path().string() + "/comm") == name + "\n")
            return true;
    return false;
}

bool Program_process::catches(int sig) const
{
    if (pid_ <= 0)
        return false;
    const std::string status = read_file("/proc/" + std::to_string(pid_) + "/status");
    const size_t at = status.find("\nSigCgt:");
    if (at == std::string::npos)
        return false;
    const unsigned long long caught = std::strtoull(status.c_str() + at + 8, nullptr, 16);
    return (caught >> (sig - 1)) & 1;
}

bool Program_process::wait_for_output(const std::string& text, size_t from, int timeout_ms) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        const std::string out = output();
        if (out.size() > from && out.find(text, from) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
