#pragma once

#include <vector>

#include "scene/renderable_obj.h"

namespace vimsa::testing {

// A renderable object made of independent triangles, for volume, collision
// and traversal tests that need geometry but no mesh machinery. It counts
// how often it is drawn.
class TriangleSoup : public RenderableObj {
public:
    TriangleSoup() = default;
    // Every three positions form one triangle.
    explicit TriangleSoup(std::vector<Vector3> positions) : positions_(std::move(positions)) {
        colours_.resize(positions_.size());
    }

    int32_t VertexCount() const override { return static_cast<int32_t>(positions_.size()); }
    int32_t FaceCount() const override { return VertexCount() / 3; }
    Vector3 VertexPosition(int32_t index) const override {
        return positions_[static_cast<size_t>(index)];
    }
    void SetVertexPosition(int32_t index, Vector3 p) override {
        positions_[static_cast<size_t>(index)] = p;
    }
    bool SetVertexColour(int32_t index, Vector4 colour) override {
        colours_[static_cast<size_t>(index)] = colour;
        return true;
    }
    bool FaceVertexIndices(int32_t face, int32_t out[3]) const override {
        if (face < 0 || face >= FaceCount()) return false;
        for (int i = 0; i < 3; ++i)
            out[i] = 3 * face + i;
        return true;
    }
    Vector4 FacePlane(int32_t face) const override {
        Vector3 p[3];
        if (!FaceVertexPositions(face, p)) return {};
        Vector3 n = Cross(p[1] - p[0], p[2] - p[1]);
        if (!Normalize(n)) return {};
        return {n.x, n.y, n.z, -Dot(n, p[0])};
    }
    Result Render() override {
        ++drawCount;
        return RESULT_OK;
    }

    int drawCount = 0;
    std::vector<Vector4> colours_;

private:
    std::vector<Vector3> positions_;
};

}  // namespace vimsa::testing
