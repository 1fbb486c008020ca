#pragma once
// The cursor tools and the mark counter that every graph window shares, and the "CROSS" pointer.
#include <QCursor>

// The tool the next click on any graph applies. One value for the whole program: choosing Cross
// in one window makes a click in another window place a cross even if its buttons still show
// Normal. Showing any graph window sets it back to Normal.
enum class GraphTool { Normal, Cross, Text };

// The index of the last graph annotation created by a mark, shared by every graph window so that
// marks never share an index across windows. Index 2 of every chart is the data-point marker;
// 0, 1 and 3 are unused, so user marks take 4, 5, 6, ...
class AnnotationCounter {
  public:
    static constexpr int kDataPointMarker = 2;
    static constexpr int kReserved = 3; // the counter's value with no user marks

    int value() const { return m_value; }
    // Advances the counter and returns the index for the new mark.
    int next() { return ++m_value; }
    // Back to no user marks (the real-time graph's reset).
    void reset() { m_value = kReserved; }

  private:
    int m_value = kReserved;
};

// The Cross tool's pointer: 32 x 32 pixels, hot spot at the top-left corner, the cross centred
// 15 pixels right of and below it. Rendered from ":/art/cross.svg" at the screen's pixel ratio.
QCursor crossCursor();
// Offsets from the pointer's hot spot to where a mark is placed.
inline constexpr QPoint kCrossOffset{15, 15};
inline constexpr QPoint kTextOffset{1, 7};
