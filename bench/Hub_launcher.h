// Starts the CAN hub of this build (next to the benchmark program) on a free
// port, for benchmarks that need it.
#pragma once

#include <csignal>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

class Hub_launcher {
public:
    Hub_launcher()
    {
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) return;
        std::string path(self, size_t(n));
        path = path.substr(0, path.rfind('/')) + "/can_hub";
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        char port0[] = "0";
        char opt[] = "--port";
        char* argv[] = {path.data(), opt, port0, nullptr};
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char line[256] = {};
        size_t got = 0;
        while (got < sizeof line - 1) {
            ssize_t r = read(fds[0], line + got, sizeof line - 1 - got);
            if (r <= 0) break;
            got += size_t(r);
            if (memchr(line, '\n', got)) break;
        }
        close(fds[0]);
        const char* colon = strrchr(line, ':');
        port_ = colon ? atoi(colon + 1) : 0;
    }
    ~Hub_launcher()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};
