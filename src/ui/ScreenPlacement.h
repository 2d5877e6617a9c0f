#pragma once

#include <QRect>
#include <QWidget>

#include <optional>

namespace kestrum {

// Where a window goes for a left and top kept in the init file, and its size for a width and height
// kept there when `storedSize` is given (otherwise it keeps its own size). The file may hold anything (one
// from a larger screen, a damaged one, one planted in a shared working directory), so:
//  - the left and top are each taken only when below the primary screen's size less 50 pixels, as
//    they always were; otherwise the window keeps its own;
//  - the size is kept between the window's minimum (at least 50 by 50) and the available size of
//    the screen nearest that place;
//  - the place is then moved within that screen's available area, so that the window's top left
//    corner and at least 50 pixels of it to the right and below are on it.
// No value, however large or small, is added to another: nothing overflows.
QRect placementOnScreens(const QWidget& window, int left, int top, std::optional<QSize> storedSize);

// Where a window opens first, beside `beside` (the player window) on that window's screen, so that
// it covers none of it: to its right, else its left, else below, else above, the first where the
// whole window fits; `slot` steps it down (or across, below and above) so that several side
// windows do not open on each other. Where none fits, as far right as it stays wholly on the screen.
QPoint placementBeside(const QWidget& window, const QWidget& beside, int slot);

} // namespace kestrum
