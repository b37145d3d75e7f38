// Frames per second the CAN hub relays from one client to another.
#include "bench/Hub_launcher.h"
#include "platform/can/Socketcand_text.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>

namespace {

int join_hub(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(uint16_t(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
    const char hello[] = "< open can0 >< rawmode >";
    send(fd, hello, sizeof hello - 1, 0);
    // "< hi >", "< ok >", "< ok >": 18 bytes.
    char buf[64];
    size_t got = 0;
    while (got < 18) {
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return -1;
        got += size_t(n);
    }
    return fd;
}

void BM_hub_relay(benchmark::State& state)
{
    const int batch = int(state.range(0));
    Hub_launcher hub;
    int tx = join_hub(hub.port()), rx = join_hub(hub.port());
    if (hub.port() <= 0 || tx < 0 || rx < 0) {
        state.SkipWithError("no hub");
        return;
    }
    std::string text;
    char buf[Socketcand::MAX_MESSAGE];
    for (int i = 0; i < batch; ++i) {
        CAN_packet f;
        f.id = 0x18FEF100 | uint32_t(i & 0xFF);
        f.set_extended(true);
        f.length = 8;
        std::memset(f.data, i, 8);
        text.append(buf, Socketcand::format_send(f, buf));
    }
    char in[65536];
    for (auto _ : state) {
        send(tx, text.data(), text.size(), 0);
        int frames = 0;
        while (frames < batch) {
            ssize_t n = recv(rx, in, sizeof in, 0);
            if (n <= 0) {
                state.SkipWithError("hub closed");
                return;
            }
            for (ssize_t i = 0; i < n; ++i) frames += in[i] == '>';
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * batch);
    close(tx);
    close(rx);
}
BENCHMARK(BM_hub_relay)->Arg(1)->Arg(100)->Arg(1000)->UseRealTime();

}  // namespace
