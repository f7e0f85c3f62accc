#pragma once

#include <set>
#include <vector>

#include "scene/graph_obj.h"
#include "scene/node_frame.h"

namespace vimsa {

class Camera;
class GraphPortal;
class Light;

// A node of the scene tree: placed locally and in the world, it owns its
// child nodes, the scene objects placed at it and the portals that lead out
// of it. Nodes of other branches may link themselves to it so that they are
// visited with it.
class GraphNode : public GraphObj, public NodeFrame {
public:
    // Called for each object an Enumerate reaches; the return value is ignored.
    using EnumerateCallback = int (*)(GraphObj* object, void* data);
    enum EnumerateFlags : uint32_t {
        kEnumerateSelf = 1,
        kEnumerateObjects = 2,
        kEnumeratePortals = 4
    };

    GraphNode();
    ~GraphNode() override;
    GraphNode(const GraphNode&) = delete;
    GraphNode& operator=(const GraphNode&) = delete;

    // --- GraphObj ---
    ObjectType GetType() const override { return ObjectType::GraphNode; }
    bool UpdateBounds(bool recurse) override;
    Handle<GraphObj> Clone() override;

    // --- world placement: a node's own frame ---
    bool GetWorldPosition(Vector3& out) override { return GetPosition(out, RelativeTo::World()); }
    bool GetWorldDirection(Vector3& out) override;
    bool GetWorldUp(Vector3& out) override;
    const Matrix4* GetWorldMatrix() override { return NodeFrame::GetWorldMatrix(); }
    const Matrix4* GetWorldMatrixTransposed() override { return NodeFrame::GetWorldTransposed(); }
    const Matrix4* GetWorldInverse() override { return NodeFrame::GetWorldInverse(); }

    // --- NodeFrame: the hierarchy comes from the children list ---
    NodeFrame* ParentFrame() override;
    NodeFrame* FirstChildFrame() override;
    NodeFrame* NextChildFrame() override;

    // --- containers ---
    bool AddChild(GraphNode* node);
    bool RemoveChild(GraphNode* node);
    void RemoveAllChildren();
    bool AddObject(GraphObj* object);
    bool RemoveObject(GraphObj* object);
    void RemoveAllObjects();
    virtual bool AddPortal(GraphPortal* portal);
    virtual bool RemovePortal(GraphPortal* portal);
    virtual void RemoveAllPortals();
    virtual Result RenderContents(Camera* camera);

    // --- links ---
    bool LinkTo(GraphNode* node);
    void ClearLinks();

    // --- traversal ---
    void Enumerate(EnumerateCallback callback, uint32_t flags, void* data, bool recurse);
    // Renders the whole subtree without portal culling; returns the number
    // of nodes visited.
    int RenderAll(Camera* camera, int32_t stamp);

    // --- light sets, kept symmetric with the lights' node sets ---
    void AddIncludedLight(Light* light) { includedLights.insert(light); }
    void RemoveIncludedLight(Light* light) { includedLights.erase(light); }
    void AddExcludedLight(Light* light) { excludedLights.insert(light); }
    void RemoveExcludedLight(Light* light) { excludedLights.erase(light); }

    std::vector<Handle<GraphNode>> children;
    std::vector<Handle<GraphObj>> objects;
    std::vector<Handle<GraphPortal>> portals;
    std::set<GraphNode*> linkedFrom;  // not counted
    std::set<GraphNode*> linkedTo;    // not counted
    int32_t nodeNumber = 0;
    uint8_t boundsValid = 0;
    std::set<Light*> includedLights;
    std::set<Light*> excludedLights;
    std::set<Light*> effectiveLights;
    uint8_t lightsValid = 0;

protected:
    // Portals are built on nodes and take their own numbers.
    struct NoNumber {};
    explicit GraphNode(NoNumber);
    void DetachFromParent() override;

private:
    void Initialise();
    // Gives a child's or linked node's bounds its world matrix before a test.
    static void PlaceBounds(GraphNode* node);
    void ForgetNode(GraphNode* node);

    size_t childCursor_ = 0;
};

// The callbacks the demo passes to Enumerate.
int EnumerateShowBounds(GraphObj* object, void* data);       // data: uint8_t draw flag
int EnumerateSetBoundsColour(GraphObj* object, void* data);  // data: Vector4 colour
int EnumerateSetDrawOnce(GraphObj* object, void* data);      // data: uint8_t flag
int EnumerateSetPortalActive(GraphObj* object, void* data);  // data: uint8_t flag

}  // namespace vimsa
