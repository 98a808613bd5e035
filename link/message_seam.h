// The one way every message box of the program is asked for.
// The GUI installs a handler that shows the box on the GUI thread (and, asked from a
// worker, hands it to the GUI thread without waiting); tests install a recorder that
// answers at once. Style and answer values are those of the GUI library's message
// boxes, so window code passes its usual flags unchanged.
#pragma once

#include <functional>
#include <string>

namespace torvex {

enum : long {
    kMsgYes = 0x2,
    kMsgOk = 0x4,
    kMsgNo = 0x8,
    kMsgYesNo = kMsgYes | kMsgNo,
    kMsgCancel = 0x10,
    kMsgIconExclamation = 0x100,
    kMsgIconError = 0x200,
    kMsgIconQuestion = 0x400,
    kMsgIconInformation = 0x800,
};

struct MessageRequest {
    std::string text;
    std::string caption;
    long style = kMsgOk;
    void* parent = nullptr;  // a window of the GUI, or none
};

// Returns the answer: kMsgOk, kMsgYes, kMsgNo or kMsgCancel.
using MessageHandler = std::function<int(const MessageRequest&)>;

// Installs a handler; returns the previous one.
MessageHandler setMessageHandler(MessageHandler handler);

// Asks the installed handler. Without one the text goes to standard error and the answer is OK.
int messageBox(const std::string& text, const std::string& caption, long style = kMsgOk, void* parent = nullptr);

// Captions used across the program (catalogue keys).
inline constexpr const char* kCaptionError = "Error";
inline constexpr const char* kCaptionWarning = "Warning";
inline constexpr const char* kCaptionInformation = "Information";
inline constexpr const char* kCaptionLinkError = "Torvex - error";
inline constexpr const char* kCaptionInternalError = "Torvex - internal error";

}  // namespace torvex
