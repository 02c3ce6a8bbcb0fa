#pragma once
// The status line's layout and what it shows. Its texts stand at fixed places: the status text
// at x = 10, the device label at 280, the port name at 420. At a font large enough that a text
// would reach into the next one, the next one moves right, a blank's width after it, so that
// both stay whole; at the usual fonts nothing moves.
#include <QString>
#include <cstdint>

class QFontMetrics;

struct CStatusLayout {
    int nLabelX = 0;
    int nPortX = 0;
    bool operator==(const CStatusLayout& o) const { return nLabelX == o.nLabelX && nPortX == o.nPortX; }
    bool operator!=(const CStatusLayout& o) const { return !(*this == o); }
};

// textRight: where the status texts drawn since the line was cleared end (0: none).
CStatusLayout LayoutStatusLine(const QFontMetrics& fm, int textRight, bool withLabel);

// "VEQ-FILE: <name>", with the name shortened by an ellipsis in its middle where the whole line
// would reach x = right.
QString FitTitleLine(const QFontMetrics& fm, const QString& name, int right);

// What the status line and the progress bar show now: the layout of the texts to come, and
// what the view tells assistive tools.
struct CStatusLineShown {
    QString strText;     // the status text as the program gives it (a file name whole)
    int nTextRight = 0;  // where the status texts drawn end, their closing blanks left out
    bool bLabel = false; // "VEQ-32-C found on" stands before the port name
    QString strPort;
    CStatusLayout layout;
    bool bProgress = false;
    int32_t nCount = 0;  // the count the bar was drawn for
    int32_t nFull = 0;   // and its full scale

    // The device label and the port name, as they read ("VEQ-32-C found on COM1").
    QString DeviceText() const;
};
