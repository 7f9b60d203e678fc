#pragma once
// Modal message boxes: the only way the program tells the user of a failure
// or reports a result.

#include <string>

enum class MessageIcon { error, information };

// Shows the message through platformHooks.showMessage: showSystemMessage
// unless a test or a command-line tool has put its own there.
void showMessageBox(const std::string& caption, const std::string& text, MessageIcon icon);

// Shows `text` under `caption` and waits for the user to dismiss it. The box
// belongs to the window that has the keyboard focus, if any. The caption and
// text are always written to stderr as one line "caption: text"; the box itself
// appears only when there is a display to show it on (SDL's video running on a
// real one, or a display named in the environment), so a headless run never
// blocks.
void showSystemMessage(const std::string& caption, const std::string& text, MessageIcon icon);

// The box alone, with no stderr line: false when there is no display to show
// it on or the box could not be shown.
bool showMessageWindow(const std::string& caption, const std::string& text, MessageIcon icon);

// The one stderr line written for a message: "caption: text", line breaks in
// the text turned into spaces and trailing ones dropped.
std::string formatMessageLine(const std::string& caption, const std::string& text);
