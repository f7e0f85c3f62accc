#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/matrix.h"
#include "core/ref_object.h"
#include "core/result.h"
#include "core/vector.h"

namespace vimsa {
class MeshBase;
}

namespace vimsa::tool {

// Rotation about `axis` by `degrees`.
Matrix4 RotationDegrees(Vector3 axis, float degrees);

// Gathers vertices and faces for one mesh from shapes: parametric grids
// (surfaces of revolution, ellipsoids, tubes along a path), boxes and single
// faces. Every face is wound so that its front faces away from the solid,
// as the engine's normals and culling expect. Vertices take the current
// colour and the current placement.
class MeshBuilder {
public:
    // A point of a grid and the direction its front should face.
    struct SurfacePoint {
        Vector3 position;
        Vector3 outward;
    };
    using Surface = std::function<SurfacePoint(float s, float t)>;

    void SetColour(Vector4 rgba) { colour_ = rgba; }
    // Later shapes are placed by `placement` (points and directions).
    void SetPlacement(const Matrix4& placement) { placement_ = placement; }
    void ResetPlacement() { placement_ = Matrix4(); }

    int32_t AddVertex(Vector3 position, Vector2 uv);
    // Wound so that the face's front looks along `outward`.
    void AddTriangle(int32_t a, int32_t b, int32_t c, Vector3 outward);
    void AddQuad(int32_t a, int32_t b, int32_t c, int32_t d, Vector3 outward);

    // (rows + 1) x (columns + 1) vertices at s = i / rows, t = j / columns;
    // texture coordinates (t * uRepeat, s * vRepeat).
    void Grid(int rows, int columns, const Surface& surface, float uRepeat = 1, float vRepeat = 1);
    // A surface of revolution about the y axis: each profile point is
    // (radius, y). The front faces the right of the profile as it runs, so
    // a profile from the top down along the outside faces out (y points
    // down); `inside` turns it round.
    void Lathe(const std::vector<Vector2>& profile, int segments, float uRepeat = 1,
               float vRepeat = 1, bool inside = false);
    // A flat round face looking up (towards -y), textured flat.
    void Disc(Vector3 centre, float radius, int segments, float textureUnit = 1);
    void Ellipsoid(Vector3 centre, Vector3 radii, int rings, int segments, float uRepeat = 1,
                   float vRepeat = 1);
    // A tube through the path's points with a radius at each; ends closed
    // by a point on the path when their radius is 0.
    void Tube(const std::vector<Vector3>& path, const std::vector<float>& radii, int segments,
              float uRepeat = 1, float vRepeat = 1);
    // An axis-aligned box with hard edges; textures repeat every
    // `textureUnit` units.
    void Box(Vector3 low, Vector3 high, float textureUnit = 1);

    int32_t VertexCount() const { return static_cast<int32_t>(positions_.size()); }
    int32_t FaceCount() const { return static_cast<int32_t>(faces_.size() / 4); }

    // The mesh with its bounding box and its texture on stage 0 (a texture
    // that carries only its path, for the file: the loader reads the
    // picture). More vertices than 16-bit indices reach: ERR_OUT_OF_RANGE.
    Result Build(const std::string& texturePath, Handle<MeshBase>& out) const;

private:
    Vector4 colour_{1, 1, 1, 1};
    Matrix4 placement_;
    std::vector<Vector3> positions_;
    std::vector<Vector2> uvs_;
    std::vector<float> colours_;
    std::vector<int32_t> faces_;  // four per face: a, b, c, -1 or a, b, c, d
};

}  // namespace vimsa::tool
