#pragma once

#include <cstdint>

// The shell keeps its pictures at 4:3: the renderer gets the largest 4:3
// rectangle inside the view, and a frame whose edge the user drags keeps its
// client area at 4:3.
namespace vimsa::app {

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// A window rectangle, right and bottom exclusive.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// The largest 4:3 rectangle inside width x height, each side at least 2.
Size FitFourThree(int width, int height);

// The edge or corner being dragged.
enum class DragEdge { Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight };

// The smallest client width the left and right edges allow, and the smallest
// client height the others allow.
constexpr int kMinimumClientWidth = 324;
constexpr int kMinimumClientHeight = 244;

// The window rectangle that replaces `proposed` while `edge` is dragged, so
// that the client area stays 4:3. `borders` is the window size less the
// client size. Dragging the left or right edge sets the width and moves the
// bottom edge (one pixel more than the exact 4:3 height); any other edge or
// corner sets the height, moves the top edge when a top edge is dragged and
// the bottom edge otherwise, and moves the right edge for the width.
Rect SizeFrame(DragEdge edge, const Rect& proposed, const Size& borders);

// Which edge or corner moved between two window rectangles; false when the
// size did not change.
bool DraggedEdge(const Rect& before, const Rect& after, DragEdge& edge);

}  // namespace vimsa::app
