#pragma once
// The message-box service: every box the program shows goes through here, so that tests can
// answer a box without a window (record its text, return a chosen button).
#include <QString>
#include <functional>

namespace framework {

enum MessageBoxType : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNO = 0x4,
    MB_ICONEXCLAMATION = 0x30,
};

enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Answers a box instead of showing it: gets the text and the type, returns the button.
using MessageBoxHandler = std::function<int(const QString& text, unsigned type)>;

// Shows a modal box with the application's name as caption; returns the pressed button.
int AfxMessageBox(const QString& text, unsigned type = MB_OK);

// Installs a handler that answers every box from now on; an empty handler restores the window.
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace framework
