#include "Contrast.h"

#include <cmath>

namespace {

constexpr double kStep = 0.05;

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c)
{
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

// a and b mixed: share 0 is a, 1 is b; the result is opaque.
QColor Mix(const QColor& a, const QColor& b, double share)
{
    const auto channel = [share](double x, double y) { return x + (y - x) * share; };
    return QColor::fromRgbF(static_cast<float>(channel(a.redF(), b.redF())),
                            static_cast<float>(channel(a.greenF(), b.greenF())),
                            static_cast<float>(channel(a.blueF(), b.blueF())));
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background, double minimum)
{
    const QColor start = Mix(background, wanted, wanted.alphaF());
    const QColor far = Luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (double share = 0; share < 1; share += kStep) {
        const QColor candidate = Mix(start, far, share);
        if (ContrastRatio(candidate, background) >= minimum)
            return candidate;
    }
    return far;
}

QColor MarkOn(const QColor& base, const QColor& hue, double strength, const QColor& text, double minimum)
{
    for (double share = strength; share > 0; share -= kStep) {
        const QColor candidate = Mix(base, hue, share);
        if (ContrastRatio(candidate, text) >= minimum)
            return candidate;
    }
    return Mix(base, hue, 0);
}
