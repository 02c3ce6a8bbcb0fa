#pragma once
// Colours that stay readable in light and dark themes: taken from the window's palette and
// adjusted until text and background differ by a contrast of at least 4.5 : 1 (the ratio of
// the web's accessibility guidelines for normal text).
#include <QColor>

inline constexpr double kReadableContrast = 4.5;

// The contrast ratio of two colours, 1 (the same) to 21 (black and white).
double ContrastRatio(const QColor& a, const QColor& b);

// A colour of the wanted kind that reads on the background: the wanted colour (laid over the
// background if it is translucent), darkened on a light background or lightened on a dark one
// as far as needed.
QColor ReadableOn(const QColor& wanted, const QColor& background, double minimum = kReadableContrast);

// A background that marks a row: base tinted by strength (0 to 1) towards hue, less where
// text on it would no longer reach the minimum contrast.
QColor MarkOn(const QColor& base, const QColor& hue, double strength, const QColor& text,
              double minimum = kReadableContrast);
