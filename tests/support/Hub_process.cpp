#include "tests/support/Hub_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Spawns argv with its standard output on a pipe; returns the read end.
pid_t spawn_with_output(const std::vector<std::string>& args, int& out_fd, std::string& error)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + strerror(errno);
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    // The child has the standard streams only, whatever the test (or the
    // shell that runs the tests) holds open.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // A test that runs its own executable for one named test must not pass
    // on the shard it runs in: the child would look for that test in its
    // shard only.
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        if (strncmp(*e, "GTEST_TOTAL_SHARDS=", 19) != 0 && strncmp(*e, "GTEST_SHARD_INDEX=", 18) != 0)
            env.push_back(*e);
    env.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        error = "cannot run " + args[0] + ": " + strerror(rc);
        return -1;
    }
    out_fd = fds[0];
    return pid;
}

// Reads from fd until the predicate holds on what was read, EOF or timeout.
template <class Done>
void read_until(int fd, std::string& text, int timeout_ms, Done done)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done(text)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0) continue;
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return;
        text.append(buf, size_t(n));
    }
}

int wait_exit(pid_t pid, int timeout_ms)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0) return -1;
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(2000);
    }
}

}  // namespace

Hub_process::~Hub_process() { stop(); }

std::string Hub_process::binary_path()
{
    if (const char* dir = getenv("SOWVANE_BINARY_DIR")) return std::string(dir) + "/bin/can_hub";
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "can_hub";
    std::string path(self, size_t(n));
    return path.substr(0, path.rfind('/')) + "/can_hub";
}

bool Hub_process::start(const std::vector<std::string>& extra_args)
{
    std::vector<std::string> args{binary_path(), "--port", "0"};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    int out = -1;
    pid_ = spawn_with_output(args, out, error_);
    if (pid_ < 0) return false;
    std::string text;
    read_until(out, text, 20000, [](const std::string& t) { return t.find('\n') != std::string::npos; });
    close(out);
    size_t colon = text.rfind(':');
    if (text.find("listening on") == std::string::npos || colon == std::string::npos) {
        error_ = "hub did not report its port: '" + text + "'";
        stop();
        return false;
    }
    port_ = atoi(text.c_str() + colon + 1);
    return port_ > 0;
}

bool Hub_process::stop()
{
    if (pid_ <= 0) return false;
    kill(pid_, SIGTERM);
    int code = wait_exit(pid_, 20000);
    pid_ = -1;
    return code == 0;
}

std::string Hub_process::bus_spec() const
{
    return "tcp,addr=127.0.0.1,port=" + std::to_string(port_);
}

int Hub_process::run_program(const std::vector<std::string>& argv, std::string& output,
                             int timeout_ms)
{
    std::string error;
    int out = -1;
    pid_t pid = spawn_with_output(argv, out, error);
    if (pid < 0) {
        output = error;
        return -1;
    }
    read_until(out, output, timeout_ms, [](const std::string&) { return false; });
    close(out);
    return wait_exit(pid, 5000);
}

bool Hub_process::python_can_available()
{
    if (access("/usr/bin/python3", X_OK) != 0)
        return false;
    std::string out;
    return run_program({"/usr/bin/python3", "-c", "import can.interfaces.socketcand"}, out) == 0;
}
