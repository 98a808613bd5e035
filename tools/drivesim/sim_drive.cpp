#include "tools/drivesim/sim_drive.h"

#include <mutex>
#include <tuple>

#include "link/registers.h"
#include "tools/drivesim/sim_links.h"
#include "tools/drivesim/sim_model.h"
#include "tools/drivesim/sim_motor.h"

namespace torvex::sim {

struct SimDrive::Impl {
    explicit Impl(SimOptions opts) : options(std::move(opts)), model(options.firmware), motor(model) {
        model.setLongReplies(options.longReplies);
        model.setWriteObserver([this](uint32_t reg, uint32_t value) { motor.noteWrite(reg, value); });
    }

    SimOptions options;
    DriveModel model;
    MotorModel motor;
    std::mutex lifecycle;  // start/stop against each other
    std::unique_ptr<StopSignal> stop;
    std::unique_ptr<TcpLink> tcp;
    std::unique_ptr<SerialLink> serial;
    std::unique_ptr<CanLink> can;
    std::string canEndpoint;
    int connectionsBefore = 0;  // of links already stopped

    // Takes the links out under the lifecycle lock and ends them after it, so a hook
    // running on a link thread may still call any accessor while the stop waits for it.
    void shutDown(std::unique_lock<std::mutex>& lock) {
        auto ending = std::make_tuple(std::move(stop), std::move(tcp), std::move(serial), std::move(can));
        auto& [endStop, endTcp, endSerial, endCan] = ending;
        lock.unlock();
        if (endStop) endStop->raise();
        if (endTcp) endTcp->join();
        if (endSerial) endSerial->join();
        if (endCan) endCan->join();
        lock.lock();
        if (endTcp) connectionsBefore += endTcp->connectionCount();
        canEndpoint.clear();
    }
};

SimDrive::SimDrive(SimOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

SimDrive::~SimDrive() {
    stop();
    impl_->motor.run(false);
}

bool SimDrive::start() {
    std::unique_lock lock(impl_->lifecycle);
    if (impl_->stop) return true;
    Impl& d = *impl_;
    d.stop = std::make_unique<StopSignal>();
    bool ok = true;
    if (!d.options.tcpAddress.empty()) {
        d.tcp = std::make_unique<TcpLink>(d.model, *d.stop);
        ok = d.tcp->open(d.options.tcpAddress);
    }
    if (ok && (d.options.serial || !d.options.serialLink.empty())) {
        d.serial = std::make_unique<SerialLink>(d.model, *d.stop);
        ok = d.serial->open(d.options.serialLink);
    }
    if (ok && d.options.can) {
        d.can = std::make_unique<CanLink>(d.model, *d.stop);
        ok = d.can->open();
        if (ok) d.canEndpoint = d.can->endpoint();
    }
    if (!ok) {
        d.shutDown(lock);
        return false;
    }
    if (d.tcp) d.tcp->start();
    if (d.serial) d.serial->start();
    if (d.can) d.can->start();
    return true;
}

void SimDrive::stop() {
    std::unique_lock lock(impl_->lifecycle);
    impl_->shutDown(lock);
}

std::string SimDrive::serialPath() const {
    std::lock_guard lock(impl_->lifecycle);
    return impl_->serial ? impl_->serial->path() : std::string();
}

std::string SimDrive::canEndpoint() const {
    std::lock_guard lock(impl_->lifecycle);
    return impl_->can ? impl_->canEndpoint : std::string();
}

std::string SimDrive::canAdapterLibrary() {
#ifdef TORVEX_CAN_TEST_ADAPTER
    return TORVEX_CAN_TEST_ADAPTER;
#else
    return {};
#endif
}

std::string SimDrive::tcpAddress() const { return impl_->options.tcpAddress; }

uint32_t SimDrive::reg(uint32_t reg) const { return impl_->model.reg(reg); }
void SimDrive::setReg(uint32_t reg, uint32_t value) { impl_->model.setReg(reg, value); }
void SimDrive::setFirmware(uint16_t firmware) { impl_->model.setReg(kRegFirmware, firmware); }
void SimDrive::setLongReplies(bool on) { impl_->model.setLongReplies(on); }
void SimDrive::setFault(Fault fault, int count) { impl_->model.setFault(fault, count); }

void SimDrive::setReplyDelay(int milliseconds) { impl_->model.shaping().setDelayMs(milliseconds); }
void SimDrive::setRegisterSilent(uint32_t reg, bool silent) { impl_->model.shaping().setSilent(reg, silent); }

void SimDrive::setWriteRefused(uint32_t reg, bool refused) {
    // The shaping first: a CAN node that says hello meanwhile is told from it.
    impl_->model.shaping().setWriteRefused(reg, refused);
    std::lock_guard lock(impl_->lifecycle);
    if (impl_->can) impl_->can->announceRefusal(reg, refused);
}

void SimDrive::setSeriesReply(uint32_t reg, std::vector<uint16_t> values) {
    impl_->model.setSeriesReply(reg, std::move(values));
}

void SimDrive::setWriteFilter(std::function<uint32_t(uint32_t, uint32_t)> filter) {
    impl_->model.setWriteFilter(std::move(filter));
}

void SimDrive::setWriteHook(uint32_t reg, std::function<void(uint32_t)> hook) {
    impl_->model.setWriteHook(reg, std::move(hook));
}

void SimDrive::setReadHook(uint32_t reg, std::function<uint32_t(uint32_t)> hook) {
    impl_->model.setReadHook(reg, std::move(hook));
}

void SimDrive::setSeriesHook(uint32_t reg, std::function<std::vector<uint16_t>(uint32_t)> hook) {
    impl_->model.setSeriesHook(reg, std::move(hook));
}

void SimDrive::enableMotor(bool on) {
    uint32_t status = impl_->model.reg(kRegStatus);
    impl_->model.setReg(kRegStatus, on ? (status | 1u) : (status & ~1u));
}

void SimDrive::stepMotor(int ms) { impl_->motor.step(ms); }
void SimDrive::runMotor(bool on, int periodMs) { impl_->motor.run(on, periodMs); }

std::vector<ReceivedFrame> SimDrive::frames() const { return impl_->model.frames(); }
void SimDrive::clearFrames() { impl_->model.clearFrames(); }
bool SimDrive::waitForFrames(size_t count, int timeoutMs) const { return impl_->model.waitForFrames(count, timeoutMs); }

int SimDrive::connectionCount() const {
    std::lock_guard lock(impl_->lifecycle);
    return impl_->connectionsBefore + (impl_->tcp ? impl_->tcp->connectionCount() : 0);
}

void SimDrive::sendCanBeforeNextReply(std::vector<can::CanMessage> messages) {
    std::lock_guard lock(impl_->lifecycle);
    if (impl_->can) impl_->can->sendBeforeNextReply(std::move(messages));
}

}  // namespace torvex::sim
