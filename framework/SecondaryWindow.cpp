#include "SecondaryWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QWidget>
#include <QWindow>

#include <algorithm>

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

QMargins FrameOf(const QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return handle && handle->isVisible() ? handle->frameMargins() : kFrameAllowance;
}

}  // namespace

QSize FitToScreen(QWidget* window, const QSize& wanted)
{
    const QScreen* screen = ScreenOf(window);
    const QSize size = screen ? wanted.boundedTo(screen->availableGeometry().marginsRemoved(FrameOf(window)).size())
                              : wanted;
    window->resize(size);
    return size;
}

void PlaceOverOwner(QWidget* window)
{
    const QScreen* screen = ScreenOf(window);
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize outer = window->size().grownBy(FrameOf(window));
    const QWidget* owner = window->parentWidget();
    const QPoint centre = owner ? owner->window()->frameGeometry().center() : available.center();
    QPoint at = centre - QPoint(outer.width() / 2, outer.height() / 2);
    at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), available.right() + 1 - outer.width())));
    at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), available.bottom() + 1 - outer.height())));
    window->move(at);
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
    PlaceOverOwner(window);
    CloseOnEscape(window);
}

}  // namespace framework
