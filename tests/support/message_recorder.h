#pragma once
// Catches every message box while alive instead of showing it; recorders
// nest, the innermost catching.

#include "hook_swap.h"
#include "platform/platform_hooks.h"

#include <string>
#include <vector>

struct ShownMessage {
    std::string caption;
    std::string text;
    MessageIcon icon;
};

class MessageRecorder {
  public:
    MessageRecorder() : outer_(innermost()), hook_(platformHooks.showMessage, record) {
        innermost() = this;
    }
    ~MessageRecorder() { innermost() = outer_; }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // "caption: text" for each message, in order.
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        for (const ShownMessage& message : messages)
            result.push_back(message.caption + ": " + message.text);
        return result;
    }

    std::vector<ShownMessage> messages;

  private:
    static MessageRecorder*& innermost() {
        static MessageRecorder* recorder = nullptr;
        return recorder;
    }
    static void record(const std::string& caption, const std::string& text, MessageIcon icon) {
        innermost()->messages.push_back({caption, text, icon});
    }

    MessageRecorder* outer_;
    HookSwap<decltype(PlatformHooks::showMessage)> hook_;
};
