#pragma once
// Arranging the child windows of the main window's multi-document area: Tile and Cascade, and the
// first size of new windows. Everything happens inside the area as it is: the area (and so the
// main window) never grows to make room, windows of a fixed size (the meter panel) keep it, and no
// window is made smaller than its minimum size.
#include <QRect>

class QMdiArea;
class QMdiSubWindow;

namespace mdi {

// The smallest size Tile and Cascade give a resizable window, when its own minimum is smaller:
// enough to use a graph or a table.
inline constexpr int kSensibleWidth = 360;
inline constexpr int kSensibleHeight = 260;

// Side by side in a grid filling the area; fixed-size windows stand in a column at the left. Where
// the grid's rows would be lower than `smallestHeight`, the other windows overlap beside that column
// instead, as Cascade places them.
void tile(QMdiArea& area, int smallestHeight = 0);
// Overlapping, each one title bar lower and to the right of the one before, each at least two
// thirds of the area in each direction.
void cascade(QMdiArea& area);

// Gives a sub-window `wanted` (a size the window's content needs) at `topLeft`. Where it does not
// fit from there, `Shrink` makes it smaller and `MoveThenShrink` first moves it left and up, as far
// as the area's top left corner; never below the window's minimum size.
enum class Fit { Shrink, MoveThenShrink };
void place(QMdiArea& area, QMdiSubWindow* window, QPoint topLeft, QSize wanted, Fit fit = Fit::Shrink);

} // namespace mdi
