#include "SecondaryWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

namespace framework {
namespace {

// Before the window is shown its frame is unknown: room for a title bar and borders.
constexpr QMargins kFrameAllowance(4, 32, 4, 4);

QScreen* ScreenOf(const QWidget* window)
{
    if (const QWidget* parent = window->parentWidget())
        return parent->window()->screen();
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

}  // namespace

QSize FitToScreen(QWidget* window, const QSize& wanted)
{
    QSize size = wanted;
    if (const QScreen* screen = ScreenOf(window)) {
        const QWindow* handle = window->windowHandle();
        const QMargins frame = handle && handle->isVisible() ? handle->frameMargins() : kFrameAllowance;
        const QSize room = screen->availableGeometry().marginsRemoved(frame).size();
        size = size.boundedTo(room);
    }
    window->resize(size);
    return size;
}

void CloseOnEscape(QWidget* window)
{
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

void PrepareSecondaryWindow(QWidget* window, const QSize& wanted)
{
    FitToScreen(window, wanted);
    CloseOnEscape(window);
}

}  // namespace framework
