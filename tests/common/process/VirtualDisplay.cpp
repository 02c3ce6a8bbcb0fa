#include "VirtualDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::chrono::seconds kServerStart{30};
constexpr const char* kScreenSize = "1024x768x24";

int ShiftOf(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1UL)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The pixel of an 8-bit-per-channel TrueColor visual as 0xffRRGGBB.
QRgb PixelOf(XImage* image, int x, int y)
{
    const unsigned long p = XGetPixel(image, x, y);
    return qRgb(int((p & image->red_mask) >> ShiftOf(image->red_mask)),
                int((p & image->green_mask) >> ShiftOf(image->green_mask)),
                int((p & image->blue_mask) >> ShiftOf(image->blue_mask)));
}

struct OpaquePixel {
    int x;
    int y;
    QRgb rgb;
};

std::vector<OpaquePixel> OpaquePixels(const QImage& picture)
{
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    std::vector<OpaquePixel> pixels;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) == 255)
                pixels.push_back({x, y, argb.pixel(x, y) & RGB_MASK});
    return pixels;
}

}  // namespace

VirtualDisplay::VirtualDisplay(const std::string& logFile)
{
    // -displayfd lets the server pick a free number and write it to our pipe when it is ready.
    LaunchRequest request;
    request.argv = {"Xvfb", "-displayfd", "1", "-screen", "0", kScreenSize, "-nolisten", "tcp"};
    request.env = CurrentEnvironment();
    request.logFile = logFile;
    request.captureStdout = true;
    m_server = std::make_unique<ChildProcess>(request);
    const std::optional<std::string> number = m_server->ReadLine(kServerStart);
    if (!number || number->empty())
        throw std::runtime_error("Xvfb did not start (is it installed?); see " + logFile);
    m_name = ":" + *number;
    m_pConnection = XOpenDisplay(m_name.c_str());
    if (!m_pConnection)
        throw std::runtime_error("cannot connect to the X server on " + m_name);
}

VirtualDisplay::~VirtualDisplay()
{
    if (m_pConnection)
        XCloseDisplay(m_pConnection);
}

QImage VirtualDisplay::Grab() const
{
    const Window root = DefaultRootWindow(m_pConnection);
    XWindowAttributes attributes{};
    XGetWindowAttributes(m_pConnection, root, &attributes);
    XImage* image = XGetImage(m_pConnection, root, 0, 0, unsigned(attributes.width), unsigned(attributes.height),
                              AllPlanes, ZPixmap);
    if (!image)
        throw std::runtime_error("XGetImage failed");
    QImage screen(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(screen.scanLine(y));
        for (int x = 0; x < attributes.width; ++x)
            line[x] = PixelOf(image, x, y);
    }
    XDestroyImage(image);
    return screen;
}

std::optional<QPoint> FindPicture(const QImage& screen, const QImage& needle)
{
    const std::vector<OpaquePixel> pixels = OpaquePixels(needle);
    if (pixels.empty())
        return std::nullopt;
    const QImage haystack = screen.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y + needle.height() <= haystack.height(); ++y) {
        for (int x = 0; x + needle.width() <= haystack.width(); ++x) {
            bool same = true;
            for (const OpaquePixel& p : pixels) {
                if ((haystack.pixel(x + p.x, y + p.y) & RGB_MASK) != p.rgb) {
                    same = false;
                    break;
                }
            }
            if (same)
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}
