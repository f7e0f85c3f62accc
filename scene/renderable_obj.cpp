#include "scene/renderable_obj.h"

#include <algorithm>
#include <vector>

namespace vimsa {
namespace {

Camera* g_currentCamera = nullptr;

// (maximum - minimum) / (b1 - b0) per axis, or 0 where the old extent is flat.
Vector3 AxisRatios(Vector3 minimum, Vector3 maximum, Vector3 b0, Vector3 b1) {
    auto ratio = [](float newExtent, float oldExtent) {
        return oldExtent != 0 ? newExtent / oldExtent : 0.0f;
    };
    return {ratio(maximum.x - minimum.x, b1.x - b0.x), ratio(maximum.y - minimum.y, b1.y - b0.y),
            ratio(maximum.z - minimum.z, b1.z - b0.z)};
}

}  // namespace

bool boundsUseFaceVertices = true;

Camera* CurrentCamera() {
    return g_currentCamera;
}
void SetCurrentCamera(Camera* camera) {
    g_currentCamera = camera;
}

Result RenderableObj::Render() {
    for (int step = 0; step < kDrawSteps; ++step) {
        if (!DrawStep(step)) return DrawStepError(step);
    }
    return RESULT_OK;
}

bool RenderableObj::FaceVertexPositions(int32_t face, Vector3 out[3]) const {
    int32_t index[3];
    if (!FaceVertexIndices(face, index)) return false;
    const int32_t vertices = VertexCount();
    for (int i = 0; i < 3; ++i) {
        if (index[i] < 0 || index[i] >= vertices) return false;
        out[i] = VertexPosition(index[i]);
    }
    return true;
}

bool RenderableObj::UpdateBounds(bool /*recurse*/) {
    if (!bounds) return false;
    const int32_t vertices = VertexCount();
    std::vector<Vector3> points;
    points.reserve(static_cast<size_t>(std::max(vertices, 0)));
    if (boundsUseFaceVertices) {
        std::vector<uint8_t> used(static_cast<size_t>(std::max(vertices, 0)), 0);
        for (int32_t f = 0; f < FaceCount(); ++f) {
            int32_t index[3];
            if (!FaceVertexIndices(f, index)) continue;
            for (int32_t i : index) {
                if (i >= 0 && i < vertices) used[static_cast<size_t>(i)] = 1;
            }
        }
        for (int32_t i = 0; i < vertices; ++i) {
            if (used[static_cast<size_t>(i)]) points.push_back(VertexPosition(i));
        }
    } else {
        for (int32_t i = 0; i < vertices; ++i)
            points.push_back(VertexPosition(i));
    }
    bounds->ResetAndAddPoints(points.data(), static_cast<int>(points.size()));
    return true;
}

void RenderableObj::GetVertexBounds(Vector3* outMinimum, Vector3* outMaximum) const {
    Vector3 lo{1e8f, 1e8f, 1e8f}, hi{-1e8f, -1e8f, -1e8f};
    for (int32_t i = 0; i < VertexCount(); ++i) {
        const Vector3 p = VertexPosition(i);
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    if (outMinimum) *outMinimum = lo;
    if (outMaximum) *outMaximum = hi;
}

void RenderableObj::ScaleVertices(Vector3 factors) {
    for (int32_t i = 0; i < VertexCount(); ++i) {
        Vector3 p = VertexPosition(i);
        SetVertexPosition(i, MultiplyComponents(p, factors));
    }
}

void RenderableObj::FitToBox(Vector3 minimum, Vector3 maximum) {
    Vector3 b0, b1;
    GetVertexBounds(&b0, &b1);
    const Vector3 oldCentre = (b0 + b1) * 0.5f;
    const Vector3 newCentre = (minimum + maximum) * 0.5f;
    Vector3 scale = AxisRatios(minimum, maximum, b0, b1);
    // A flat axis keeps its (zero) extent: it is moved, not scaled.
    if (b1.x - b0.x == 0) scale.x = 1;
    if (b1.y - b0.y == 0) scale.y = 1;
    if (b1.z - b0.z == 0) scale.z = 1;
    for (int32_t i = 0; i < VertexCount(); ++i) {
        Vector3 p = VertexPosition(i) - oldCentre;
        SetVertexPosition(i, MultiplyComponents(p, scale) + newCentre);
    }
}

void RenderableObj::FitUniform(Vector3 minimum, Vector3 maximum) {
    Vector3 b0, b1;
    GetVertexBounds(&b0, &b1);
    const Vector3 ratios = AxisRatios(minimum, maximum, b0, b1);
    float k = 0;
    bool any = false;
    const float extents[3] = {b1.x - b0.x, b1.y - b0.y, b1.z - b0.z};
    const float values[3] = {ratios.x, ratios.y, ratios.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (extents[axis] == 0) continue;
        k = any ? std::min(k, values[axis]) : values[axis];
        any = true;
    }
    if (!any) return;
    const Vector3 half = (b1 - b0) * (0.5f * k);
    const Vector3 centre = (minimum + maximum) * 0.5f;
    FitToBox(centre - half, centre + half);
}

void RenderableObj::CentreAtOrigin() {
    Vector3 b0, b1;
    GetVertexBounds(&b0, &b1);
    const Vector3 half = (b1 - b0) * 0.5f;
    FitToBox(-half, half);
}

}  // namespace vimsa
