// can_hub: a CAN bus for processes on one machine, reachable with the
// socketcand raw-mode protocol (bus spec "tcp,addr=127.0.0.1,port=1500").
#include "tools/can_hub/Can_hub.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <signal.h>

namespace {

volatile sig_atomic_t stop_requested = 0;

void on_signal(int) { stop_requested = 1; }

void usage(FILE* to)
{
    fprintf(to,
            "usage: can_hub [-a ADDRESS] [-p PORT] [-l LOGFILE] [-q BYTES]\n"
            "  -a, --address    address to listen on (default 127.0.0.1)\n"
            "  -p, --port       TCP port (default 1500; 0 picks a free one)\n"
            "  -l, --log        append every relayed frame to LOGFILE in candump's log format\n"
            "  -q, --max-queue  bytes queued for a client that does not read before it is\n"
            "                   dropped (default 1048576)\n");
}

bool parse_number(const char* text, long min, long max, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

}  // namespace

int main(int argc, char** argv)
{
    Hub_options options;
    static const option long_options[] = {
        {"address", required_argument, nullptr, 'a'}, {"port", required_argument, nullptr, 'p'},
        {"log", required_argument, nullptr, 'l'},     {"max-queue", required_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},          {nullptr, 0, nullptr, 0}};
    int opt;
    long value;
    while ((opt = getopt_long(argc, argv, "a:p:l:q:h", long_options, nullptr)) != -1) {
        switch (opt) {
        case 'a': options.address = optarg; break;
        case 'p':
            if (!parse_number(optarg, 0, 65535, value)) {
                fprintf(stderr, "can_hub: bad port: %s\n", optarg);
                return 2;
            }
            options.port = int(value);
            break;
        case 'l': options.log_path = optarg; break;
        case 'q':
            if (!parse_number(optarg, 256, 1L << 30, value)) {
                fprintf(stderr, "can_hub: bad queue size: %s (256 to 1073741824)\n", optarg);
                return 2;
            }
            options.max_queue = size_t(value);
            break;
        case 'h': usage(stdout); return 0;
        default: usage(stderr); return 2;
        }
    }
    if (optind < argc) {
        fprintf(stderr, "can_hub: unexpected argument: %s\n", argv[optind]);
        usage(stderr);
        return 2;
    }

    signal(SIGPIPE, SIG_IGN);
    sigset_t blocked, wait_mask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, &wait_mask);
    sigdelset(&wait_mask, SIGINT);
    sigdelset(&wait_mask, SIGTERM);
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    Can_hub hub(options);
    std::string error;
    if (!hub.start(error)) {
        fprintf(stderr, "can_hub: %s\n", error.c_str());
        return 1;
    }
    printf("can_hub: listening on %s:%d\n", options.address.c_str(), hub.port());
    fflush(stdout);
    return hub.run(stop_requested, wait_mask) == 0 ? 0 : 1;
}
