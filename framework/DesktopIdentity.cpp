#include "DesktopIdentity.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace framework {
namespace {

// Qt names an X11 window after the program file and the application's name ("korva",
// "VEQ_32_C"); each window gets the desktop entry's name instead as its class, just before it
// is mapped, when the window manager reads it.
class WindowClassSetter : public QObject {
public:
    WindowClassSetter(Display* display, const QString& name, QObject* parent)
        : QObject(parent), m_pDisplay(display), m_name(name.toUtf8())
    {
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (!widget->isWindow() || type == Qt::Popup || type == Qt::ToolTip)
            return false;
        const auto window = static_cast<Window>(widget->winId());
        XClassHint hint;
        hint.res_name = m_name.data();
        hint.res_class = m_name.data();
        XSetClassHint(m_pDisplay, window, &hint);
        // KDE's and GNOME's own ways of naming the desktop entry.
        for (const char* property : {"_KDE_NET_WM_DESKTOP_FILE", "_GTK_APPLICATION_ID"})
            XChangeProperty(m_pDisplay, window, XInternAtom(m_pDisplay, property, False),
                            XInternAtom(m_pDisplay, "UTF8_STRING", False), 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(m_name.constData()), static_cast<int>(m_name.size()));
        XFlush(m_pDisplay);
        return false;
    }

private:
    Display* m_pDisplay;
    QByteArray m_name;
};

}  // namespace

void SetDesktopIdentity(const QString& desktopId)
{
    QGuiApplication::setDesktopFileName(desktopId);
    static QPointer<WindowClassSetter> setter;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || setter)
        return;
    setter = new WindowClassSetter(x11->display(), desktopId, qApp);
    qApp->installEventFilter(setter);
}

}  // namespace framework
