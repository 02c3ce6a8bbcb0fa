#pragma once
// A private X server (Xvfb) on a free display number, with what a test needs to look at it:
// the whole screen as an image, and a search for a known picture on it.
#include "ChildProcess.h"

#include <QImage>
#include <QPoint>
#include <memory>
#include <optional>
#include <string>

struct _XDisplay;

class VirtualDisplay {
public:
    // Starts the server and connects to it; throws std::runtime_error if it does not come up.
    explicit VirtualDisplay(const std::string& logFile);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // ":N", the value for DISPLAY.
    const std::string& Name() const { return m_name; }

    // The root window's pixels, RGB32.
    QImage Grab() const;

private:
    std::unique_ptr<ChildProcess> m_server;
    std::string m_name;
    _XDisplay* m_pConnection = nullptr;
};

// The top-left corner of the first place where every opaque pixel of needle equals the
// screen's pixel; transparent pixels of needle match anything.
std::optional<QPoint> FindPicture(const QImage& screen, const QImage& needle);
