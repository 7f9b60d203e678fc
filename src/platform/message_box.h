#pragma once
// Modal message boxes: the only way the program tells the user of a failure
// or reports a result.

#include <functional>
#include <string>

enum class MessageIcon { error, information };

// Replaces the box, e.g. in tests so that nothing ever blocks on one.
using MessageSink =
    std::function<void(const std::string& caption, const std::string& text, MessageIcon icon)>;

// Installs `sink` in place of the box (an empty sink restores the box) and
// returns the sink it replaces, so that a caller can put it back.
MessageSink setMessageSink(MessageSink sink);

// Shows `text` under `caption` and waits for the user to dismiss it. The box
// belongs to the window that has the keyboard focus, if any. The caption and
// text are always written to stderr as one line "caption: text"; the box itself
// appears only when there is a display to show it on (SDL's video running on a
// real one, or a display named in the environment), so a headless run never
// blocks. An installed sink receives the message instead of both.
void showMessageBox(const std::string& caption, const std::string& text, MessageIcon icon);

// The one stderr line written for a message: "caption: text", line breaks in
// the text turned into spaces and trailing ones dropped.
std::string formatMessageLine(const std::string& caption, const std::string& text);
