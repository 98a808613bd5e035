#include "link/transport.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "link/i18n.h"
#include "link/message_seam.h"
#include "link/registers.h"
#include "link/wire.h"

namespace torvex {

namespace {

// Messages thrown away from the CAN receive queue before a request, at most.
constexpr int kCanStaleMessageLimit = 1024;

// A message of the adapter itself (not a data frame) that tells of an error.
bool isCanErrorMessage(const can::CanMessage& message) { return message.messageType != 0 && message.data[2] != 0; }

void sleepMilliseconds(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void putLittleEndian(uint32_t value, uint8_t* out, int n) {
    for (int i = 0; i < n; ++i) out[i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
}

uint32_t getLittleEndian(const uint8_t* in, int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) value |= static_cast<uint32_t>(in[i]) << (8 * i);
    return value;
}

}  // namespace

DriveTransport::DriveTransport()
    : serial_(platform::makeSerialPort()), tcp_(platform::makeTcpSocket()), can_(&platform::processCanAdapter()) {}

DriveTransport::~DriveTransport() { closePort(); }

void DriveTransport::usePlatform(std::unique_ptr<platform::SerialPort> serial, std::unique_ptr<platform::TcpSocket> tcp,
                                 platform::CanAdapter* can) {
    closePort();
    if (serial) serial_ = std::move(serial);
    if (tcp) tcp_ = std::move(tcp);
    if (can) can_ = can;
}

void DriveTransport::setBoxSink(BoxSink sink) { boxSink_ = std::move(sink); }

void DriveTransport::box(const std::string& text, const std::string& caption) {
    if (boxSink_)
        boxSink_(text, caption);
    else
        messageBox(text, caption, kMsgOk | kMsgIconError);
}

std::string DriveTransport::ipAddress() const {
    std::lock_guard<std::mutex> guard(addressMutex_);
    return ipAddress_;
}

void DriveTransport::setIpAddress(const std::string& address) {
    std::lock_guard<std::mutex> guard(addressMutex_);
    ipAddress_ = address;
}

void DriveTransport::setTcpTimeouts(int connectMs, int receiveMs) {
    tcpConnectMs_ = connectMs > 0 ? connectMs : 1;
    tcpReceiveMs_ = receiveMs > 0 ? receiveMs : 1;
}

// ---------------------------------------------------------------------------------------
// Opening and closing

uint32_t DriveTransport::openPort(const std::string& port, uint32_t baud) {
    closePort();  // as the kind it was opened as
    if (port == "CAN") {
        isCan_ = true;
        isTcp_ = false;
        return initCan();
    }
    if (port == "TCP") {
        isTcp_ = true;
        isCan_ = false;
        return connectTcp();
    }
    isCan_ = false;
    isTcp_ = false;
    if (!serial_->open(port, baud)) return 1;
    handle_ = static_cast<uint32_t>(serial_->handle());
    return 0;
}

void DriveTransport::closePort() {
    canErrorsOwed_ = 0;  // the adapter's queue goes with the link
    if (handle_.load() == kClosed) return;
    if (isCan_) {
        releaseCanLibrary();
    } else if (isTcp_) {
        tcp_->close();
    } else {
        serial_->close();
    }
    handle_ = kClosed;
}

bool DriveTransport::bindCanLibrary() { return can_->load(); }

uint32_t DriveTransport::releaseCanLibrary() {
    if (canInitialised_) {
        can_->close();
        canInitialised_ = false;
    }
    return can_->unload() ? 0 : 1;
}

uint32_t DriveTransport::initCan() {
    closePort();
    if (!can_->isLoaded() && !bindCanLibrary()) {
        // The key keeps the name the catalogues know it by; their texts carry a "%s" for the
        // file looked for. Without a catalogue the key itself would name a file never tried.
        const std::string key = "Can't load PCAN_USB.dll!";
        std::string text = tr(key);
        if (text == key) text = "Can't load %s!";
        box(strprintfRuntime(text, platform::canLibraryName().c_str()), tr(kCaptionLinkError));
        return 2;
    }
    uint32_t r = can_->init(static_cast<uint16_t>(can::kBitrate500k), 0);
    if (r != 0) {
        releaseCanLibrary();
        if (r == can::kStatusNoAdapter)
            box(strprintf(tr("Can't init CAN communication (rc 0x%x)!\nDo you have attached the CAN-adaptor?").c_str(), r),
                tr(kCaptionLinkError));
        else
            box(strprintf(tr("Can't init CAN communication (rc 0x%x)!").c_str(), r), tr(kCaptionLinkError));
        return 3;
    }
    canInitialised_ = true;
    uint32_t s = can_->status();
    if (s != 0) {
        releaseCanLibrary();
        box(strprintf(tr("Wrong CAN status 0x%x!").c_str(), s), tr(kCaptionLinkError));
        return 4;
    }
    r = can_->msgFilter(wire::kReplyId, wire::kReplyId, 0);
    if (r != 0) {
        releaseCanLibrary();
        box(strprintf(tr("Can't set CAN filter (rc 0x%x)!").c_str(), r), tr(kCaptionLinkError));
        return 5;
    }
    handle_ = 1;
    return 0;
}

uint32_t DriveTransport::connectTcp() {
    closePort();
    const std::string address = ipAddress();
    if (address.empty()) return 1;
    const uint32_t r = tcp_->connect(address, wire::kTcpPort, tcpConnectMs_);
    if (r == 3) box(strprintf(tr("Can't connect to IP %s!").c_str(), address.c_str()), tr(kCaptionLinkError));
    if (r != 0) return r == 2 || r == 3 || r == 4 ? r : 3;
    tcpStaleInputPossible_ = false;
    handle_ = 1;
    return 0;
}

// ---------------------------------------------------------------------------------------
// Requests

bool DriveTransport::sendRegisterFrame(uint32_t reg, uint32_t value, bool usable) {
    if (!usable || !isOpen()) return false;
    if (!wire::isWireRegister(reg)) return false;  // refused, never cut to 8 bits
    const int n = wire::valueBytes(reg);
    uint8_t bytes[4];
    putLittleEndian(value, bytes, n);
    if (isTcp_) return tcpSendFrame(reg, bytes, n) == n;
    if (isCan_) return canSendFrame(reg, bytes, n) == n;
    return serialSend(reg, value, n == 4);
}

int DriveTransport::tcpSendFrame(uint32_t reg, const uint8_t* valueBytes, int n) {
    if (!isOpen() || !wire::isWireRegister(reg) || (n != 2 && n != 4)) return 0;
    // Whatever is still in the stream (a reply that came after its time-out) is stale.
    if (tcpStaleInputPossible_) tcp_->discardInput();
    const wire::Frame frame = wire::makeRequest(reg, getLittleEndian(valueBytes, n), n);
    uint8_t record[wire::kTcpRecordSize];
    wire::encodeTcpRecord(frame, record);
    // Until a read takes its whole reply, anything may follow this request.
    tcpStaleInputPossible_ = true;
    if (tcp_->send(record, sizeof record) != sizeof record) {
        closePort();
        return 0;
    }
    return n;
}

int DriveTransport::canSendFrame(uint32_t reg, const uint8_t* valueBytes, int n) {
    if (!isOpen() || !wire::isWireRegister(reg) || (n != 2 && n != 4)) return 0;
    // Whatever waits in the receive queue now answered an earlier request (a reply that
    // came after its read gave up, the rest of a series cut short): left there, it would
    // be taken for the reply to this one. Bounded, so that a busy bus cannot hold us.
    // Before the status: a bus error among these messages shows in it.
    for (int i = 0; i < kCanStaleMessageLimit; ++i) {
        can::CanMessage stale{};
        if (can_->read(&stale) & can::kStatusReceiveQueueEmpty) break;
        // An adapter message that reports an error is no stale reply: had it stayed in the
        // queue, the next read would have met it and failed. Thrown away with the rest, it
        // would never count as a failed exchange, so it is kept as a failure owed.
        if (isCanErrorMessage(stale)) ++canErrorsOwed_;
    }
    if (can_->status() != 0) {
        closePort();
        return 0;
    }
    can::CanMessage message = wire::toCanMessage(wire::makeRequest(reg, getLittleEndian(valueBytes, n), n));
    if (can_->write(&message) != 0) {
        closePort();
        return 0;
    }
    return n;
}

bool DriveTransport::serialSend(uint32_t reg, uint32_t value, bool is32bit) {
    sleepMilliseconds(wire::kSerialPauseMs);
    // A late or stray byte of an earlier exchange must not become part of this reply.
    serial_->discardInput();
    const std::string text = wire::formatSerialRequest(reg, value, is32bit);
    return serialWriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size()) == text.size();
}

size_t DriveTransport::serialWriteBytes(const uint8_t* bytes, size_t count) {
    if (!isOpen() || isCan_ || isTcp_) return 0;
    return serial_->write(bytes, count);
}

// ---------------------------------------------------------------------------------------
// Replies

uint32_t DriveTransport::requestRegister(uint32_t reg, uint32_t* out, bool usable) {
    if (!usable || !isOpen() || !wire::isWireRegister(reg)) return 0;
    const int n = wire::valueBytes(reg);
    // The request is 0x3D READ with the register as its value. A request that did not go
    // out has no reply to wait for: the read has failed either way.
    if (!sendRegisterFrame(kRegRead, reg, usable)) return 0;
    uint32_t value = 0;
    if (isTcp_ || isCan_) {
        uint8_t bytes[4] = {};
        const int got = isTcp_ ? tcpReceiveFrame(reg, bytes, n) : canReceiveFrame(reg, bytes, n);
        if (got != n) return 0;
        value = getLittleEndian(bytes, n);
    } else if (!serialReadRegister(reg, &value)) {
        return 0;
    }
    if (out) *out = value;
    return 1;
}

int DriveTransport::tcpReceiveFrame(uint32_t reg, uint8_t* out, int n) {
    if (!isOpen() || !isTcp_ || (n != 2 && n != 4)) return 0;
    uint8_t record[wire::kTcpRecordSize];
    tcpStaleInputPossible_ = true;
    if (tcp_->receive(record, sizeof record, tcpReceiveMs_) != sizeof record) return 0;
    const wire::Frame reply = wire::decodeTcpRecord(record);
    bool learnt = longReplies_;
    uint32_t value = 0;
    const wire::ReplyCheck check = wire::checkReply(reply, reg, n, &learnt, &value);
    if (check == wire::ReplyCheck::WrongLength || check == wire::ReplyCheck::Accepted) longReplies_ = learnt;
    // A reply for something else: its own may still be on the way.
    if (check != wire::ReplyCheck::Accepted) return 0;
    tcpStaleInputPossible_ = false;
    putLittleEndian(value, out, n);
    return n;
}

int DriveTransport::canReceiveFrame(uint32_t reg, uint8_t* out, int n) {
    if (!isOpen() || !isCan_ || (n != 2 && n != 4)) return 0;
    if (can_->status() != 0) {
        closePort();
        return 0;
    }
    // An error message taken out of the queue before the request fails this read, as it
    // would have had it still been waiting there; the link stays open as for any failed read.
    if (canErrorsOwed_ > 0) {
        --canErrorsOwed_;
        return 0;
    }
    // Besides the 50 empty polls: a bus that never stops bringing messages to skip
    // must not hold the exchange for ever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    int emptyPolls = 0;
    bool filterBoxShown = false;
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline) return 0;
        can::CanMessage message{};
        const uint32_t r = can_->read(&message);
        if (r & can::kStatusReceiveQueueEmpty) {
            if (++emptyPolls >= wire::kCanEmptyPollLimit) return 0;
            sleepMilliseconds(wire::kCanPollIntervalMs);
            continue;
        }
        if (message.messageType != 0) {
            if (!isCanErrorMessage(message)) continue;  // a status message without an error
            return 0;
        }
        const wire::Frame reply = wire::fromCanMessage(message);
        bool learnt = longReplies_;
        uint32_t value = 0;
        switch (wire::checkReply(reply, reg, n, &learnt, &value)) {
            case wire::ReplyCheck::WrongIdentifier:
                if (!filterBoxShown) {  // once per exchange: a flood must not become a flood of boxes
                    box(tr("PCAN MsgFilter doesn't work, this should never happen!"), tr(kCaptionInternalError));
                    filterBoxShown = true;
                }
                continue;
            case wire::ReplyCheck::WrongRegister:
                continue;
            case wire::ReplyCheck::WrongLength:
                longReplies_ = learnt;
                continue;
            case wire::ReplyCheck::Accepted:
                longReplies_ = learnt;
                putLittleEndian(value, out, n);
                return n;
        }
    }
}

size_t DriveTransport::serialReadBytes(uint8_t* buffer, size_t count) {
    if (!isOpen() || isCan_ || isTcp_) return 0;
    size_t got = 0;
    int empty = 0;
    while (got < count) {
        if (serial_->readByte(buffer + got, wire::kSerialByteTimeoutMs)) {
            ++got;
            empty = 0;
        } else if (++empty >= wire::kSerialEmptyReadLimit) {
            break;
        }
    }
    return got;
}

uint32_t DriveTransport::readSerialRawWords(uint16_t* out, uint32_t count) {
    uint32_t words = 0;
    while (words < count) {
        uint8_t bytes[2];
        if (serialReadBytes(bytes, 2) != 2) break;
        out[words++] = wire::serialWord(bytes[0], bytes[1]);
    }
    return words;
}

uint32_t DriveTransport::readSerialWords(int* out, uint32_t count) {
    uint32_t words = 0;
    while (words < count) {
        uint16_t word = 0;
        if (readSerialRawWords(&word, 1) != 1) break;
        if (out) out[words] = wire::serialWordToInt(word);
        ++words;
    }
    return words;
}

bool DriveTransport::serialReadRegister(uint32_t reg, uint32_t* out) {
    const uint32_t count = is32bitRegister(reg) ? 2 : 1;
    uint16_t words[2] = {};
    if (readSerialRawWords(words, count) != count) return false;
    // A byte right behind the reply means it was not this reply alone (a stray byte came
    // before it): the value cannot be trusted, and the rest is thrown away.
    if (serial_->inputWithin(serial_->twoByteMicroseconds())) {
        serial_->discardInput();
        return false;
    }
    *out = count == 2 ? wire::combineSerialWords(words[0], words[1]) : words[0];
    return true;
}

uint32_t DriveTransport::readRegisterSeries(int16_t reg, uint32_t value, int* out, uint32_t count, bool usable) {
    if (reg < 0 || !wire::isWireRegister(static_cast<uint32_t>(reg))) return 0;
    const uint32_t r = static_cast<uint32_t>(reg);
    if (is32bitRegister(r)) return 0;
    if (count == 0 || !usable || !isOpen()) return 0;
    sendRegisterFrame(r, value & 0xFFFF, usable);  // result ignored: a failed send shows as no reply
    uint32_t stored = 0;
    while (stored < count) {
        uint16_t word = 0;
        if (isTcp_ || isCan_) {
            uint8_t bytes[2] = {};
            const int got = isTcp_ ? tcpReceiveFrame(r, bytes, 2) : canReceiveFrame(r, bytes, 2);
            if (got != 2) break;
            word = static_cast<uint16_t>(getLittleEndian(bytes, 2));
        } else if (readSerialRawWords(&word, 1) != 1) {
            break;
        }
        if (out) out[stored] = wire::serialWordToInt(word);
        ++stored;
    }
    return stored;
}

}  // namespace torvex
