#include "LockKeys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace framework {
namespace {

// The indicator's bit by its name, so that keyboards with other indicator layouts work too.
bool NamedIndicator(Display* display, const char* name, unsigned state)
{
    Atom atom = XInternAtom(display, name, True);
    if (atom == None)
        return false;
    int index = -1;
    if (!XkbGetNamedIndicator(display, atom, &index, nullptr, nullptr, nullptr) || index < 0)
        return false;
    return (state >> index) & 1u;
}

}  // namespace

bool QueryLockStates(LockStates& states)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    unsigned state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    states.caps = NamedIndicator(display, "Caps Lock", state);
    states.num = NamedIndicator(display, "Num Lock", state);
    states.scroll = NamedIndicator(display, "Scroll Lock", state);
    return true;
}

}  // namespace framework
