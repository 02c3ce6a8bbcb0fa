#pragma once
// The windows a program opens beside its main window (lists, viewers, help): each opens no
// larger than the screen it comes up on, and Escape closes it.
#include <QSize>

class QWidget;

namespace framework {

// Gives the window the wanted size, or as much of it as the available area of its screen
// (without panels and docks, and leaving room for the window's frame) holds; the size given.
QSize FitToScreen(QWidget* window, const QSize& wanted);

// Centres the window over the window it belongs to, as a dialog is, but with its frame within
// the screen's available area, where a window manager's cascade could push an edge off it.
void PlaceOverOwner(QWidget* window);

// Escape closes the window, unless the widget with the focus takes the key first (a find
// field that closes its own bar, an open list).
void CloseOnEscape(QWidget* window);

// All of the above: what a window beside the main window gets when it is made.
void PrepareSecondaryWindow(QWidget* window, const QSize& wanted);

}  // namespace framework
