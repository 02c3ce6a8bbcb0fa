#pragma once
// Expected client images: texts drawn by the framework's own drawing context into a second
// view on white, compared pixel by pixel with what the view under test drew.
#include <QImage>
#include <QPoint>
#include <QString>
#include <gtest/gtest.h>

#include <vector>

struct PlacedText {
    QPoint origin;
    QString text;
};

// A white client image of the given size with the texts drawn in order.
QImage ExpectedImage(const QSize& size, const std::vector<PlacedText>& texts);

// Equal images, or the first pixel that differs.
::testing::AssertionResult SameImage(const QImage& actual, const QImage& expected);

// The colour of a client pixel as 0xRRGGBB.
unsigned PixelAt(const QImage& image, int x, int y);

constexpr unsigned kWhitePixel = 0xFFFFFF;
constexpr unsigned kBluePixel = 0x0000FF;
