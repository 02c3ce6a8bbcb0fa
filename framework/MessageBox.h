#pragma once
// The message-box service: every box the program shows goes through here, so that a run without
// a window, or a test, can answer a box itself (read caption, text and buttons, return a button).
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

namespace framework {

enum MessageBoxType : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    // The second button is the default one (Cancel of OK/Cancel, No of Yes/No).
    MB_DEFBUTTON2 = 0x100,
};

enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageBoxRequest {
    QString caption;
    QString text;
    unsigned type;  // buttons (low four bits), icon and default button
    // The window the box opens over: the one that asked (CMessageBoxOwnerScope), else the
    // main window, else the active window.
    QWidget* owner = nullptr;
};

// Answers a box instead of showing it and returns the button pressed.
using MessageBoxHandler = std::function<int(const MessageBoxRequest& box)>;

// Shows a modal box with the application's name as caption; returns the pressed button.
int AfxMessageBox(const QString& text, unsigned type = MB_OK);

// Shows a modal box with a caption of the caller's; nullptr takes the application's name,
// "" leaves the caption empty.
int MessageBoxWithCaption(const QString& text, const char* caption, unsigned type = MB_OK);

// Installs a handler that answers every box from now on; an empty handler restores the window.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The window that owns the boxes (the main window once there is one).
void SetMessageBoxOwner(QWidget* owner);

// While it lives, the boxes open over the window of the widget given, the window that asks (a
// window beside the main one, a dialog), instead of over the main window; when it ends, the
// boxes go back to the owner they had. A window that is not shown, or has gone, owns no box.
class CMessageBoxOwnerScope {
public:
    explicit CMessageBoxOwnerScope(QWidget* asking);
    ~CMessageBoxOwnerScope();
    CMessageBoxOwnerScope(const CMessageBoxOwnerScope&) = delete;
    CMessageBoxOwnerScope& operator=(const CMessageBoxOwnerScope&) = delete;

private:
    QPointer<QWidget> m_pPrevious;
};

}  // namespace framework
