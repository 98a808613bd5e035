// The Linux layers themselves: termios on a pseudo-terminal, TCP on loopback, the dlopen
// adapter loader and our SocketCAN build of the adapter library.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pty.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "link/i18n.h"
#include "link/registers.h"
#include "link/transport.h"
#include "platform/can_adapter.h"
#include "platform/serial_port.h"
#include "platform/socketcan/id_ranges.h"
#include "platform/tcp_socket.h"
#include "tests/link_transport/fakes.h"

namespace torvex::test {
namespace {

using Clock = std::chrono::steady_clock;

long millisecondsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        if (old) {
            had_ = true;
            old_ = old;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_.c_str(), old_.c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool had_ = false;
};

struct Pty {
    Pty() {
        char name[256];
        termios raw{};
        ::cfmakeraw(&raw);
        if (::openpty(&master, &slave, name, &raw, nullptr) == 0) path = name;
    }
    ~Pty() {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
};

// ---- serial -------------------------------------------------------------------------------

TEST(SerialPlatform, PortTextsNameDevices) {
    ScopedEnv unset3("TORVEX_COM3", nullptr);
    ScopedEnv set5("TORVEX_COM5", "/tmp/my-serial");
    ScopedEnv empty6("TORVEX_COM6", "");
    EXPECT_EQ(platform::serialDeviceForPort("COM1"), "/dev/ttyS0");
    EXPECT_EQ(platform::serialDeviceForPort("COM3"), "/dev/ttyS2");
    EXPECT_EQ(platform::serialDeviceForPort("COM8"), "/dev/ttyS7");
    EXPECT_EQ(platform::serialDeviceForPort("COM5"), "/tmp/my-serial");
    EXPECT_EQ(platform::serialDeviceForPort("COM6"), "/dev/ttyS5");
    EXPECT_EQ(platform::serialDeviceForPort("COM9"), "COM9");
    EXPECT_EQ(platform::serialDeviceForPort("COM0"), "COM0");
    EXPECT_EQ(platform::serialDeviceForPort("CAN "), "CAN ");
}

TEST(SerialPlatform, OpensRaw8N1AtTheChosenSpeed) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    ScopedEnv env("TORVEX_COM4", pty.path.c_str());
    auto port = platform::makeSerialPort();
    for (uint32_t baud : {57600u, 9600u, 115200u, 0u}) {
        ASSERT_TRUE(port->open("COM4", baud)) << baud;
        termios tio{};
        ASSERT_EQ(::tcgetattr(port->handle(), &tio), 0);
        EXPECT_EQ(::cfgetospeed(&tio), baud == 115200 ? B115200 : B9600) << baud;
        EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
        port->close();
        EXPECT_EQ(port->handle(), -1);
    }
}

TEST(SerialPlatform, OpenIsExclusiveAndNeedsATerminal) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    ScopedEnv env("TORVEX_COM2", pty.path.c_str());
    auto first = platform::makeSerialPort();
    auto second = platform::makeSerialPort();
    ASSERT_TRUE(first->open("COM2", 9600));
    EXPECT_FALSE(second->open("COM2", 9600));
    first->close();
    EXPECT_TRUE(second->open("COM2", 9600));
    // A plain file is no serial port; a missing device neither.
    char file[] = "/tmp/torvex-notatty-XXXXXX";
    int fd = ::mkstemp(file);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ScopedEnv env7("TORVEX_COM7", file);
    EXPECT_FALSE(first->open("COM7", 9600));
    ::unlink(file);
    ScopedEnv env8("TORVEX_COM8", "/nonexistent/tty");
    EXPECT_FALSE(first->open("COM8", 9600));
}

TEST(SerialPlatform, ClosingGivesThePortBackToEveryone) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    ScopedEnv env("TORVEX_COM2", pty.path.c_str());
    auto port = platform::makeSerialPort();
    ASSERT_TRUE(port->open("COM2", 9600));
    port->close();
    if (::geteuid() != 0) {
        EXPECT_TRUE(port->open("COM2", 9600));
        return;
    }
    // Root passes the exclusive flag anyway: try as an ordinary user.
    ASSERT_EQ(::chmod(pty.path.c_str(), 0666), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const int fd = ::open(pty.path.c_str(), O_RDWR | O_NOCTTY);
        ::_exit(fd >= 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SerialPlatform, BytesTimeOutsAndDiscarding) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    ScopedEnv env("TORVEX_COM1", pty.path.c_str());
    auto port = platform::makeSerialPort();
    ASSERT_TRUE(port->open("COM1", 115200));
    const uint8_t text[] = {'3', '4', '1', '2', '3', '4', 'X'};
    EXPECT_EQ(port->write(text, sizeof text), sizeof text);
    char got[16] = {};
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(::read(pty.master, got, sizeof got), 7);
    EXPECT_EQ(std::string(got, 7), "341234X");

    auto start = Clock::now();
    uint8_t byte = 0;
    EXPECT_FALSE(port->readByte(&byte, 105));
    long elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 100);
    EXPECT_LT(elapsed, 400);

    const uint8_t reply[] = {0x34, 0x12};
    ASSERT_EQ(::write(pty.master, reply, 2), 2);
    EXPECT_TRUE(port->readByte(&byte, 105));
    EXPECT_EQ(byte, 0x34);
    EXPECT_TRUE(port->inputWithin(0));
    EXPECT_TRUE(port->readByte(&byte, 105));
    EXPECT_EQ(byte, 0x12);
    EXPECT_FALSE(port->inputWithin(port->twoByteMicroseconds()));

    ASSERT_EQ(::write(pty.master, reply, 2), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    port->discardInput();
    EXPECT_FALSE(port->readByte(&byte, 10));
}

TEST(SerialPlatform, VanishedOtherSideCostsTheTimeOutNotASpin) {
    auto pty = std::make_unique<Pty>();
    ASSERT_FALSE(pty->path.empty());
    ScopedEnv env("TORVEX_COM1", pty->path.c_str());
    auto port = platform::makeSerialPort();
    ASSERT_TRUE(port->open("COM1", 9600));
    ::close(pty->master);
    pty->master = -1;
    uint8_t byte = 0;
    auto start = Clock::now();
    EXPECT_FALSE(port->readByte(&byte, 105));
    EXPECT_GE(millisecondsSince(start), 90);
}

// ---- TCP ----------------------------------------------------------------------------------

// A loopback listener on a free port.
struct Listener {
    Listener() {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 4);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }
    int accept() { return ::accept(fd, nullptr, nullptr); }
    int fd = -1;
    uint16_t port = 0;
};

TEST(TcpPlatform, ConnectsWithNoDelay) {
    Listener listener;
    auto socket = platform::makeTcpSocket();
    ASSERT_EQ(socket->connect("127.0.0.1", listener.port, 1000), 0u);
    int value = 0;
    socklen_t length = sizeof value;
    ASSERT_EQ(::getsockopt(socket->handle(), IPPROTO_TCP, TCP_NODELAY, &value, &length), 0);
    EXPECT_NE(value, 0);
    socket->close();
    EXPECT_EQ(socket->handle(), -1);
}

TEST(TcpPlatform, ConnectFailures) {
    auto socket = platform::makeTcpSocket();
    uint16_t freePort;
    {
        Listener listener;
        freePort = listener.port;
    }
    EXPECT_EQ(socket->connect("127.0.0.1", freePort, 1000), 3u);  // refused
    EXPECT_EQ(socket->connect("300.1.1.1", freePort, 1000), 3u);  // no address
    EXPECT_EQ(socket->connect("gateway", freePort, 1000), 3u);
    EXPECT_EQ(socket->handle(), -1);
}

TEST(TcpPlatform, ConnectToAGatewayThatNeverAcceptsTimesOut) {
    // A listener whose backlog is full drops further handshakes: connect must give up at its
    // time-out rather than after the system's minutes.
    Listener listener;
    ::listen(listener.fd, 0);
    std::vector<std::unique_ptr<platform::TcpSocket>> fillers;
    bool timedOut = false;
    for (int i = 0; i < 64 && !timedOut; ++i) {
        auto socket = platform::makeTcpSocket();
        auto start = Clock::now();
        const uint32_t r = socket->connect("127.0.0.1", listener.port, 300);
        const long elapsed = millisecondsSince(start);
        EXPECT_LT(elapsed, 2000);
        if (r == 3 && elapsed >= 250) timedOut = true;
        fillers.push_back(std::move(socket));
    }
    if (!timedOut) GTEST_SKIP() << "this network stack accepts every handshake";
}

TEST(TcpPlatform, RecordInPiecesSilenceAndClosing) {
    Listener listener;
    auto socket = platform::makeTcpSocket();
    ASSERT_EQ(socket->connect("127.0.0.1", listener.port, 1000), 0u);
    int peer = listener.accept();
    ASSERT_GE(peer, 0);

    std::thread pieces([peer] {
        const uint8_t record[16] = {0x81, 1, 0, 0, 4, 0, 0, 0, 0x34, 0x34, 0x12, 0, 0, 0, 0, 0};
        ::send(peer, record, 3, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::send(peer, record + 3, 9, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ::send(peer, record + 12, 4, 0);
    });
    uint8_t buffer[16] = {};
    EXPECT_EQ(socket->receive(buffer, 16, 1000), 16u);
    pieces.join();
    EXPECT_EQ(buffer[9], 0x34);
    EXPECT_EQ(buffer[10], 0x12);

    auto start = Clock::now();
    EXPECT_EQ(socket->receive(buffer, 16, 200), 0u);  // silence
    long elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 1000);

    ::send(peer, buffer, 5, 0);  // half a record, then silence: what came, within the time-out
    start = Clock::now();
    EXPECT_EQ(socket->receive(buffer, 16, 200), 5u);
    EXPECT_LT(millisecondsSince(start), 1000);

    ::send(peer, buffer, 7, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    socket->discardInput();
    EXPECT_EQ(socket->receive(buffer, 16, 50), 0u);

    ::close(peer);  // the gateway goes away
    start = Clock::now();
    EXPECT_EQ(socket->receive(buffer, 16, 1000), 0u);
    EXPECT_LT(millisecondsSince(start), 500);
    // Sending to a closed peer never raises SIGPIPE; sooner or later it fails.
    size_t sent = 16;
    for (int i = 0; i < 50 && sent == 16; ++i) {
        sent = socket->send(buffer, 16);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NE(sent, 16u);
}

// ---- CAN loader and our SocketCAN library ------------------------------------------------

TEST(CanPlatform, LibraryCandidates) {
    {
        ScopedEnv env("TORVEX_CAN_LIBRARY", "/opt/x/libcan.so");
        EXPECT_EQ(platform::canLibraryCandidates(), (std::vector<std::string>{"/opt/x/libcan.so"}));
    }
    ScopedEnv env("TORVEX_CAN_LIBRARY", nullptr);
    const auto files = platform::canLibraryCandidates();
    ASSERT_EQ(files.size(), 2u);
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    std::string folder(self, static_cast<size_t>(n));
    folder = folder.substr(0, folder.rfind('/') + 1);
    EXPECT_EQ(files[0], folder + "libpcan_usb.so");
    EXPECT_EQ(files[1], "libpcan_usb.so");
}

TEST(CanPlatform, MissingOrIncompleteLibraryIsNotLoaded) {
    auto& adapter = platform::processCanAdapter();
    ASSERT_FALSE(adapter.isLoaded());
    {
        ScopedEnv env("TORVEX_CAN_LIBRARY", "/nonexistent/libpcan_usb.so");
        EXPECT_FALSE(adapter.load());
        EXPECT_FALSE(adapter.isLoaded());
    }
    {
        ScopedEnv env("TORVEX_CAN_LIBRARY", "libm.so.6");  // loads, binds nothing
        EXPECT_FALSE(adapter.load());
        EXPECT_FALSE(adapter.isLoaded());
    }
    EXPECT_EQ(adapter.status(), can::kStatusNoAdapter);
    EXPECT_FALSE(adapter.unload());
}

TEST(CanPlatform, MissingLibraryThroughTheTransport) {
    buildRegisterCache();
    BoxRecorder boxes;
    ScopedEnv env("TORVEX_CAN_LIBRARY", "/nonexistent/libtvx_can%d.so");
    DriveTransport transport;
    EXPECT_EQ(transport.openPort("CAN", 9600), 2u);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Can't load /nonexistent/libtvx_can%d.so!") << "the file looked for, as it is";
    EXPECT_EQ(boxes.boxes()[0].caption, "Torvex - error");

    // The catalogue's text, filled with the file after translation.
    auto previous = setTranslator([](const std::string& key) {
        return key == "Can't load PCAN_USB.dll!" ? std::string("Impossible de charger %s !") : key;
    });
    EXPECT_EQ(transport.openPort("CAN", 9600), 2u);
    setTranslator(previous);
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text, "Impossible de charger /nonexistent/libtvx_can%d.so !");
}

TEST(CanPlatform, OurSocketCanLibraryWithoutTheInterface) {
    buildRegisterCache();
    BoxRecorder boxes;
    const std::string library = std::string(TORVEX_BINARY_DIR) + "/libpcan_usb.so";
    ASSERT_EQ(::access(library.c_str(), R_OK), 0) << library;
    ScopedEnv env("TORVEX_CAN_LIBRARY", library.c_str());
    ScopedEnv interface("TORVEX_CAN_INTERFACE", "tvxnone9");
    auto& adapter = platform::processCanAdapter();
    ASSERT_TRUE(adapter.load());
    can::CanMessage message{};
    EXPECT_NE(adapter.status(), 0u);  // not initialised
    EXPECT_NE(adapter.read(&message), 0u);
    // Nothing was handed out: the result says so, so that the reply loop never takes the
    // untouched record for a message.
    EXPECT_NE(adapter.read(&message) & can::kStatusReceiveQueueEmpty, 0u);
    EXPECT_NE(adapter.read(nullptr) & can::kStatusReceiveQueueEmpty, 0u);
    EXPECT_NE(adapter.write(&message), 0u);
    EXPECT_EQ(adapter.init(static_cast<uint16_t>(can::kBitrate500k), 0), can::kStatusNoAdapter);
    EXPECT_TRUE(adapter.unload());

    DriveTransport transport;
    EXPECT_EQ(transport.openPort("CAN", 9600), 3u);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Can't init CAN communication (rc 0x100)!\nDo you have attached the CAN-adaptor?");
    EXPECT_FALSE(adapter.isLoaded());
}

TEST(CanPlatform, IdentifierRangesAsMasks) {
    using socketcan::rangeToMasks;
    EXPECT_EQ(rangeToMasks(0x181, 0x181, 11), (std::vector<std::pair<uint32_t, uint32_t>>{{0x181, 0x7FF}}));
    EXPECT_EQ(rangeToMasks(0, 0x7FF, 11), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 0}}));
    EXPECT_EQ(rangeToMasks(0x100, 0x1FF, 11), (std::vector<std::pair<uint32_t, uint32_t>>{{0x100, 0x700}}));
    EXPECT_TRUE(rangeToMasks(5, 4, 11).empty());
    EXPECT_TRUE(rangeToMasks(0, 0x800, 11).empty());
    // Every identifier of a range is covered exactly once, and nothing outside it.
    for (auto [from, to] : std::vector<std::pair<uint32_t, uint32_t>>{{0x181, 0x1A3}, {1, 0x7FE}, {0x3, 0x3}}) {
        const auto blocks = rangeToMasks(from, to, 11);
        for (uint32_t id = 0; id <= 0x7FF; ++id) {
            int matches = 0;
            for (const auto& block : blocks) matches += (id & block.second) == (block.first & block.second);
            EXPECT_EQ(matches, id >= from && id <= to ? 1 : 0) << std::hex << id;
        }
    }
}

}  // namespace
}  // namespace torvex::test
