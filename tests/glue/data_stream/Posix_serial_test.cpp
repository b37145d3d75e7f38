#include "glue/data_stream/Posix_serial_data_stream.h"
#include "glue/data_stream/Posix_threaded_serial_data_stream.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <string>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#ifndef TIOCM_OUT1
#define TIOCM_OUT1 0x2000
#endif

namespace {

// A pseudo-terminal: the stream opens the slave, the test plays the device
// on the master.
struct Pty {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    Pty()
    {
        EXPECT_EQ(0, ::openpty(&master, &slave, name, nullptr, nullptr));
    }
    ~Pty()
    {
        if (master >= 0) {
            ::close(master);
        }
        if (slave >= 0) {
            ::close(slave);
        }
    }
    std::string spec(const char* rest) const { return std::string(name) + rest; }
};

// A pseudo-terminal has no modem lines: record what the port does with them.
template <class Stream>
class Recording_port : public Stream {
public:
    int lines = TIOCM_DTR;
    int reads = 0;
    std::vector<int> written;

protected:
    bool get_modem_lines(int& out) override
    {
        ++reads;
        out = lines;
        return true;
    }
    bool set_modem_lines(int in) override
    {
        written.push_back(in);
        lines = in;
        return true;
    }
};

std::string read_master(int fd, size_t n)
{
    std::string out;
    while (out.size() < n) {
        char buf[256];
        ssize_t got = ::read(fd, buf, std::min(sizeof buf, n - out.size()));
        if (got <= 0) {
            break;
        }
        out.append(buf, static_cast<size_t>(got));
    }
    return out;
}

} // namespace

TEST(Posix_serial_port, PortTextSetsSpeedAndLine)
{
    Pty pty;
    struct Case {
        const char* rest;
        long baud;
        int out1; // -1: lines untouched
    };
    const Case cases[] = {
        {":57600:rs232", 57600, 0},
        {"", 9600, -1},
        {":100000:rs485", 115200, TIOCM_OUT1},
        {":2:rs485x", 300, TIOCM_OUT1},
    };
    for (const Case& c : cases) {
        std::string spec = pty.spec(c.rest);
        SCOPED_TRACE(spec);
        Recording_port<Posix_serial_data_stream> port;
        port.lines = TIOCM_DTR | (c.out1 == 0 ? TIOCM_OUT1 : 0);
        ASSERT_TRUE(port.open_from_args(spec.c_str()));
        EXPECT_EQ(c.baud, port.get_baudRate());
        if (c.out1 < 0) {
            EXPECT_EQ(0, port.reads);
            EXPECT_TRUE(port.written.empty());
        } else {
            ASSERT_EQ(1u, port.written.size());
            EXPECT_EQ(c.out1, port.written[0] & TIOCM_OUT1);
            EXPECT_EQ(TIOCM_DTR, port.written[0] & TIOCM_DTR); // other lines kept
        }
        EXPECT_TRUE(port.close());
    }
    Recording_port<Posix_serial_data_stream> bad;
    EXPECT_FALSE(bad.open_from_args(pty.spec(":9600:RS485").c_str()));
    EXPECT_EQ(-1, bad.get_fd());
    EXPECT_FALSE(bad.open_from_args("/nonexistent/tty:9600"));
}

TEST(Posix_serial_port, SettingsRoundTripAndNeedASetUpPort)
{
    Pty pty;
    Posix_serial_data_stream port;
    Posix_serial_port::Format f;
    EXPECT_FALSE(port.set_baud_rate(9600));
    EXPECT_FALSE(port.get_format(f));
    EXPECT_EQ(0, port.get_baudRate());

    ASSERT_TRUE(port.open_default(pty.name));
    f.bits = Posix_serial_port::BITS_7;
    f.parity = Posix_serial_port::PARITY_EVEN;
    f.stop_bits = Posix_serial_port::STOP_2;
    EXPECT_TRUE(port.set_format(f));
    Posix_serial_port::Format back;
    EXPECT_TRUE(port.get_format(back));
    EXPECT_TRUE(back == f);

    // A speed outside the table reads as 2400.
    termios t{};
    ASSERT_EQ(0, ::tcgetattr(port.get_fd(), &t));
    ::cfsetispeed(&t, B50);
    ::cfsetospeed(&t, B50);
    ASSERT_EQ(0, ::tcsetattr(port.get_fd(), TCSANOW, &t));
    EXPECT_EQ(2400, port.get_baudRate());
    EXPECT_TRUE(port.set_baud_rate(4000));
    EXPECT_EQ(4800, port.get_baudRate());

    // The port was made raw: bytes pass unchanged in both directions.
    const unsigned char bytes[4] = {0x03, '\r', 0xFF, '\n'};
    EXPECT_EQ(4, port.__write(bytes, 4));
    EXPECT_EQ(std::string("\x03\r\xFF\n", 4), read_master(pty.master, 4));
    ASSERT_EQ(4, ::write(pty.master, bytes, 4));
    unsigned char in[4];
    EXPECT_TRUE(port.get_data(in, 4));
    EXPECT_EQ(0, std::memcmp(in, bytes, 4));
    EXPECT_TRUE(port.restore());
}

TEST(Posix_threaded_serial, DeliversBytesAndEventsFromTheReader)
{
    Pty pty;
    module_man mm;
    waiter_descriptor consumer;
    consumer.init(&mm);

    Posix_threaded_serial_data_stream stream(pty.spec(":115200").c_str());
    ASSERT_TRUE(stream.is_open());
    ASSERT_TRUE(stream.reader_running());
    EXPECT_EQ(115200, stream.get_baudRate());
    EXPECT_TRUE(stream.init(mm));
    EXPECT_TRUE(stream.register_waiter(&consumer));
    waiter_descriptor other;
    EXPECT_FALSE(stream.register_waiter(&other));
    EXPECT_NE(nullptr, std::strstr(stream.get_name(), "DSPosTSer("));

    const std::string sent = "$PASHR,POS,1,2*3F\r\n";
    ASSERT_EQ(static_cast<ssize_t>(sent.size()), ::write(pty.master, sent.data(), sent.size()));
    // Each event says that bytes arrived; wait for them without any timing
    // assumption beyond a generous deadline.
    while (stream.bytes_avail() < sent.size()) {
        waiter_event ev;
        ASSERT_EQ(0, consumer.get_event(&ev, Atime::from_now(20000)));
        EXPECT_EQ(stream.get_module_id(), ev.module_id);
        EXPECT_EQ(0u, ev.data);
    }
    EXPECT_FALSE(stream.get_data(1)); // never reads on the caller's thread
    std::string got(sent.size(), '\0');
    EXPECT_TRUE(stream.get_data(reinterpret_cast<unsigned char*>(&got[0]),
                                static_cast<unsigned>(got.size())));
    EXPECT_EQ(sent, got);
    EXPECT_TRUE(stream.drop(static_cast<unsigned>(sent.size())));

    EXPECT_EQ(5, stream.__write(reinterpret_cast<const unsigned char*>("reply"), 5));
    EXPECT_EQ("reply", read_master(pty.master, 5));

    EXPECT_TRUE(stream.deregister_waiter(&consumer));
    EXPECT_FALSE(stream.deregister_waiter(&consumer));
    EXPECT_TRUE(stream.close());
    EXPECT_FALSE(stream.close());
}

TEST(Posix_threaded_serial, CloseStopsTheReaderBeforeTheDescriptorIsReused)
{
    Pty pty;
    Posix_threaded_serial_data_stream stream(pty.spec(":9600").c_str());
    ASSERT_TRUE(stream.reader_running());
    int old_fd = stream.get_fd();
    // The reader is blocked waiting for the device when close comes.
    ASSERT_TRUE(stream.close());
    EXPECT_FALSE(stream.reader_running());
    EXPECT_EQ(-1, stream.get_fd());
    EXPECT_EQ(-1, stream.__write(reinterpret_cast<const unsigned char*>("x"), 1));

    // A new pipe most likely gets the old descriptor number; nothing may
    // read from it behind our back.
    int fds[2];
    ASSERT_EQ(0, ::pipe(fds));
    ASSERT_EQ(3, ::write(fds[1], "own", 3));
    char buf[3];
    ASSERT_EQ(3, ::read(fds[0], buf, 3));
    EXPECT_EQ(0, std::memcmp(buf, "own", 3));
    EXPECT_EQ(0u, stream.bytes_avail());
    (void)old_fd;
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(Posix_threaded_serial, DestroyingAnOpenStreamEndsItsReader)
{
    Pty pty;
    for (int i = 0; i < 3; ++i) {
        auto* stream = new Posix_threaded_serial_data_stream(pty.spec(":38400").c_str());
        ASSERT_TRUE(stream->reader_running());
        ASSERT_EQ(4, ::write(pty.master, "ping", 4));
        delete stream; // must neither hang nor leave a thread behind
    }
    // Bytes written after the last stream ended stay with the device.
    int before = 0;
    ASSERT_EQ(0, ::ioctl(pty.master, FIONREAD, &before));
    SUCCEED();
}

TEST(Posix_threaded_serial, UnopenableDeviceIsAnErrorNotAnExit)
{
    Posix_threaded_serial_data_stream stream("/nonexistent/ttyX:9600");
    EXPECT_FALSE(stream.is_open());
    EXPECT_FALSE(stream.reader_running());
    Posix_threaded_data_stream plain;
    EXPECT_FALSE(plain.open("/nonexistent/file", false, false));
}
