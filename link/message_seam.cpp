#include "link/message_seam.h"

#include <cstdio>
#include <mutex>

namespace torvex {

namespace {
std::mutex g_handlerMutex;
MessageHandler g_handler;
}  // namespace

MessageHandler setMessageHandler(MessageHandler handler) {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    MessageHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}

int messageBox(const std::string& text, const std::string& caption, long style, void* parent) {
    MessageHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_handlerMutex);
        handler = g_handler;
    }
    MessageRequest request{text, caption, style, parent};
    if (handler) return handler(request);
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return kMsgOk;
}

}  // namespace torvex
