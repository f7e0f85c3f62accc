#include "app/sizing.h"

#include <algorithm>

namespace vimsa::app {

Size FitFourThree(int width, int height) {
    Size fit{width, width * 3 / 4};
    if (fit.height >= height) fit = {height * 4 / 3, height};
    return {std::max(fit.width, 2), std::max(fit.height, 2)};
}

namespace {

bool MovesTop(DragEdge edge) {
    return edge == DragEdge::Top || edge == DragEdge::TopLeft || edge == DragEdge::TopRight;
}

}  // namespace

Rect SizeFrame(DragEdge edge, const Rect& proposed, const Size& borders) {
    Rect out = proposed;
    if (edge == DragEdge::Left || edge == DragEdge::Right) {
        const int client = std::max(proposed.Width() - borders.width, kMinimumClientWidth);
        const int width = client + borders.width;
        if (edge == DragEdge::Left)
            out.left = out.right - width;
        else
            out.right = out.left + width;
        out.bottom = out.top + client * 3 / 4 + borders.height + 1;
        return out;
    }
    const int client = std::max(proposed.Height() - borders.height, kMinimumClientHeight);
    const int height = client + borders.height;
    if (MovesTop(edge))
        out.top = out.bottom - height;
    else
        out.bottom = out.top + height;
    out.right = out.left + client * 4 / 3 + borders.width;
    return out;
}

bool DraggedEdge(const Rect& before, const Rect& after, DragEdge& edge) {
    const bool left = after.left != before.left && after.Width() != before.Width();
    const bool right = after.right != before.right && after.Width() != before.Width();
    const bool top = after.top != before.top && after.Height() != before.Height();
    const bool bottom = after.bottom != before.bottom && after.Height() != before.Height();
    const bool horizontal = left || right;
    if (!horizontal && !top && !bottom) return false;
    if (!top && !bottom) {
        edge = left ? DragEdge::Left : DragEdge::Right;
    } else if (top) {
        edge = left ? DragEdge::TopLeft : right ? DragEdge::TopRight : DragEdge::Top;
    } else {
        edge = left ? DragEdge::BottomLeft : right ? DragEdge::BottomRight : DragEdge::Bottom;
    }
    return true;
}

}  // namespace vimsa::app
