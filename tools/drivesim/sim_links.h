// The simulated drive's three links. Each owns its descriptors and one thread that
// waits in poll() on its descriptors and on the shared stop signal, so that a stop
// ends every thread at once, whether a client is connected or not.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>

#include "platform/can_adapter_api.h"
#include "tools/drivesim/sim_model.h"

namespace torvex::sim {

class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void raise();
    bool raised() const { return raised_.load(); }
    int fd() const { return pipe_[0]; }
    // Sleeps; false when the stop came first.
    bool sleep(int milliseconds) const;

private:
    int pipe_[2] = {-1, -1};
    std::atomic<bool> raised_{false};
};

// Writes everything unless the stop comes first or the peer is gone.
bool writeAll(int fd, const uint8_t* data, size_t size, const StopSignal& stop);

// The pieces a record is cut into when the drive splits it (with pauses between).
inline constexpr int kSplitPauseMs = 25;

class TcpLink {
public:
    TcpLink(DriveModel& model, const StopSignal& stop) : model_(model), stop_(stop) {}
    ~TcpLink();
    bool open(const std::string& address);  // binds address:6666
    void start();
    void join();
    int connectionCount() const { return connections_.load(); }

    static constexpr uint16_t kPort = 6666;
    static constexpr size_t kRecordSize = 16;

private:
    struct Client {
        int fd;
        std::vector<uint8_t> pending;
    };
    void run();
    bool serve(Client& client);  // false: the connection is to be closed
    bool answer(int fd, const Answer& answer);

    DriveModel& model_;
    const StopSignal& stop_;
    int listenFd_ = -1;
    std::vector<Client> clients_;
    std::atomic<int> connections_{0};
    std::thread thread_;
};

class SerialLink {
public:
    SerialLink(DriveModel& model, const StopSignal& stop) : model_(model), stop_(stop) {}
    ~SerialLink();
    bool open(const std::string& symlinkPath);
    void start();
    void join();
    std::string path() const;

private:
    bool openTerminal();
    void closeTerminal();
    void run();
    bool take(uint8_t byte);  // false when the line was dropped
    bool answer(const Answer& answer);

    DriveModel& model_;
    const StopSignal& stop_;
    std::string symlinkPath_;
    int master_ = -1;
    int slave_ = -1;  // kept open so the master never sees a hang-up between clients
    mutable std::mutex pathMutex_;
    std::string path_;
    std::string text_;
    std::thread thread_;
};

class CanLink {
public:
    CanLink(DriveModel& model, const StopSignal& stop) : model_(model), stop_(stop) {}
    ~CanLink();
    bool open();
    void start();
    void join();
    std::string endpoint() const { return socketPath_; }
    void sendBeforeNextReply(std::vector<can::CanMessage> messages);
    // Tells every node whether writes of reg are acknowledged from now on (the drive's
    // shaping must say so already, so that a node coming up meanwhile learns it too).
    void announceRefusal(uint32_t reg, bool refused);

private:
    struct Node {
        sockaddr_un address;
        socklen_t length;
    };
    void run();
    void send(const void* address, unsigned addressLength, uint8_t kind, const can::CanMessage* message);
    void sendDatagram(const void* address, unsigned addressLength, const uint8_t* datagram, size_t size);
    void sendRefusal(const Node& node, uint32_t reg, bool refused);
    void welcome(const sockaddr_un& from, socklen_t fromLength);
    void forget(const sockaddr_un& from, socklen_t fromLength);
    void forgetLocked(const Node& gone);  // nodesMutex_ held

    DriveModel& model_;
    const StopSignal& stop_;
    std::string folder_;
    std::string socketPath_;
    int fd_ = -1;
    std::mutex preludeMutex_;
    std::vector<can::CanMessage> prelude_;
    std::mutex nodesMutex_;
    std::vector<Node> nodes_;  // every library that said hello and not yet goodbye
    std::thread thread_;
};

}  // namespace torvex::sim
