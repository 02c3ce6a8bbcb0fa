#include "MessageBox.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace framework {
namespace {

// Who answers the boxes (the handler installed, else the user), the window that owns them, and
// the window that asks for them now, which takes them over for as long as it asks.
struct BoxService {
    MessageBoxHandler handler;
    QPointer<QWidget> owner;
    QPointer<QWidget> asking;
};

// How long a box waits for a main window that is being shown to be on the screen.
constexpr int kOnScreenWaitMs = 2000;
constexpr int kOnScreenPollMs = 10;

BoxService& Service()
{
    static BoxService service;
    return service;
}

QMessageBox::StandardButtons buttonsFor(unsigned type)
{
    switch (type & 0xF) {
    case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon iconFor(unsigned type)
{
    switch (type & 0xF0) {
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONQUESTION: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

// The button Enter presses: the first unless the type names the second.
QMessageBox::StandardButton defaultFor(unsigned type)
{
    const bool second = (type & MB_DEFBUTTON2) != 0;
    switch (type & 0xF) {
    case MB_OKCANCEL: return second ? QMessageBox::Cancel : QMessageBox::Ok;
    case MB_YESNOCANCEL:
    case MB_YESNO: return second ? QMessageBox::No : QMessageBox::Yes;
    default: return QMessageBox::Ok;
    }
}

int resultFor(int button)
{
    switch (button) {
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDOK;
    }
}

// A window that has been shown but not yet put on the screen (a box that comes with the first
// tick after start-up) is waited for, so that the box is placed over it and in front of it,
// never under it.
void WaitUntilOnScreen(QWidget* owner)
{
    QWindow* window = owner && owner->isVisible() ? owner->window()->windowHandle() : nullptr;
    if (!window || window->isExposed())
        return;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (window->isExposed())
            loop.quit();
    });
    QTimer::singleShot(kOnScreenWaitMs, &loop, &QEventLoop::quit);
    poll.start(kOnScreenPollMs);
    loop.exec();
}

QWidget* OwnerOfBoxes()
{
    const BoxService& service = Service();
    if (service.asking && service.asking->window()->isVisible())
        return service.asking->window();
    return service.owner ? service.owner.data() : QApplication::activeWindow();
}

int show(MessageBoxRequest request)
{
    request.owner = OwnerOfBoxes();
    const BoxService& service = Service();
    if (service.handler)
        return service.handler(request);
    WaitUntilOnScreen(request.owner);
    QMessageBox box(iconFor(request.type), request.caption, request.text, buttonsFor(request.type), request.owner);
    box.setDefaultButton(defaultFor(request.type));
    // Closing the box by its frame or Escape answers as its cancel button would.
    return resultFor(box.exec());
}

}  // namespace

int AfxMessageBox(const QString& text, unsigned type)
{
    return MessageBoxWithCaption(text, nullptr, type);
}

int MessageBoxWithCaption(const QString& text, const char* caption, unsigned type)
{
    const QString title = caption ? QString::fromLatin1(caption) : QApplication::applicationName();
    return show({title, text, type});
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    Service().handler = std::move(handler);
}

void SetMessageBoxOwner(QWidget* owner)
{
    Service().owner = owner;
}

CMessageBoxOwnerScope::CMessageBoxOwnerScope(QWidget* asking) : m_pPrevious(Service().asking)
{
    Service().asking = asking;
}

CMessageBoxOwnerScope::~CMessageBoxOwnerScope()
{
    Service().asking = m_pPrevious;
}

}  // namespace framework
