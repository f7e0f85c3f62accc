#pragma once

#include "scene/graph_obj.h"

namespace vimsa {

class Camera;

// The camera the renderable objects draw from, set by the render pass
// through SetCamera just before an object is drawn.
Camera* CurrentCamera();
void SetCurrentCamera(Camera* camera);

// While set (the default), UpdateBounds only gathers vertices that some face uses.
extern bool boundsUseFaceVertices;

// Base of every drawable object with vertices and triangles (meshes,
// particle quads, terrain blocks). Collision and culling reach the geometry
// through the accessors below.
class RenderableObj : public GraphObj {
public:
    static constexpr int kDrawSteps = 8;

    ObjectType GetType() const override { return ObjectType::Renderable; }
    bool IsRenderable() const override { return true; }
    void SetCamera(Camera* camera) override { SetCurrentCamera(camera); }
    // Runs the draw steps in order and stops at the first that fails, whose
    // failure code names the step.
    Result Render() override;
    bool UpdateBounds(bool recurse) override;

    // --- geometry every concrete class supplies ---
    virtual int32_t VertexCount() const = 0;
    virtual int32_t FaceCount() const = 0;
    virtual Vector3 VertexPosition(int32_t index) const = 0;
    virtual void SetVertexPosition(int32_t index, Vector3 position) = 0;
    virtual bool SetVertexColour(int32_t index, Vector4 colour) = 0;
    // The three vertex indices of a triangle; false for a face out of range.
    virtual bool FaceVertexIndices(int32_t face, int32_t out[3]) const = 0;
    // Unit normal (x, y, z) and distance (w) of a triangle's plane.
    virtual Vector4 FacePlane(int32_t face) const = 0;
    bool FaceVertexPositions(int32_t face, Vector3 out[3]) const;

    // --- the base's own draw path ---
    virtual bool DrawStep(int /*step*/) { return true; }

    // --- vertex editing ---
    // Componentwise extremes of all vertex positions (1e8 / -1e8 when empty);
    // either output may be null.
    virtual void GetVertexBounds(Vector3* outMinimum, Vector3* outMaximum) const;
    virtual void ScaleVertices(Vector3 factors);
    // Moves every vertex so that the vertex bounds become the given box; a
    // flat axis is moved but not scaled.
    virtual void FitToBox(Vector3 minimum, Vector3 maximum);
    // As FitToBox, keeping the proportions: the largest box of the current
    // shape that fits the given one, centred in it.
    virtual void FitUniform(Vector3 minimum, Vector3 maximum);
    virtual void CentreAtOrigin();

protected:
    RenderableObj() = default;
};

}  // namespace vimsa
