#include <gtest/gtest.h>

#include <vector>

#include "scene/camera.h"
#include "scene/graph_node.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "scene_test_support.h"

namespace vimsa {
namespace {

using testing::TriangleSoup;

// Records its own destruction.
struct ProbeNode : GraphNode {
    explicit ProbeNode(bool* destroyed) : destroyed(destroyed) {}
    ~ProbeNode() override { *destroyed = true; }
    bool* destroyed;
};

Vector3 World(GraphNode& n) {
    Vector3 p;
    n.GetPosition(p, RelativeTo::World());
    return p;
}

TEST(NamingTest, NodesPortalsAndLightsAreNumberedPerFamily) {
    ResetObjectNumbersForTesting();
    Handle<GraphNode> n0 = MakeHandle<GraphNode>(), n1 = MakeHandle<GraphNode>(),
                      n2 = MakeHandle<GraphNode>();
    Handle<GraphPortal> p0 = MakeHandle<GraphPortal>();
    Handle<GraphNode> n3 = MakeHandle<GraphNode>();
    EXPECT_EQ(n2->name, "GraphNode 2");
    EXPECT_EQ(n3->nodeNumber, 3);
    EXPECT_EQ(p0->name, "GraphPortal 0");
    EXPECT_EQ(p0->portalNumber, 0);
    Handle<Light> l0 = MakeHandle<PointLight>();
    Handle<Light> l1 = MakeHandle<AmbientLight>();
    EXPECT_EQ(l0->name, "Light 0");
    EXPECT_EQ(l1->lightNumber, 1);
    EXPECT_EQ(MakeHandle<Camera>()->name, "Camera");
    EXPECT_EQ(l1->GetType(), ObjectType::AmbientLight);
    EXPECT_EQ(p0->GetType(), ObjectType::GraphPortal);
}

TEST(GraphNodeTest, ReparentingMovesTheNodeAndKeepsItsLocalPlacement) {
    Handle<GraphNode> a = MakeHandle<GraphNode>(), b = MakeHandle<GraphNode>(),
                      c = MakeHandle<GraphNode>();
    a->SetPosition({10, 0, 0}, RelativeTo::World());
    b->SetPosition({0, 0, 50}, RelativeTo::World());
    a->AddChild(c.Get());
    c->SetPosition({1, 2, 3}, RelativeTo::Local());
    EXPECT_EQ(World(*c), (Vector3{11, 2, 3}));
    b->AddChild(c.Get());
    EXPECT_TRUE(a->children.empty());
    ASSERT_EQ(b->children.size(), 1u);
    EXPECT_EQ(c->parent, b.Get());
    EXPECT_FALSE(c->world.positionValid);
    EXPECT_EQ(World(*c), (Vector3{1, 2, 53}));
    EXPECT_EQ(c->refcount, 2);  // our handle and b's list
    b->AddChild(c.Get());       // adding it again changes nothing
    EXPECT_EQ(b->children.size(), 1u);
}

TEST(GraphNodeTest, RemovingTheLastReferenceDestroysTheChild) {
    bool destroyed = false;
    Handle<GraphNode> parent = MakeHandle<GraphNode>();
    auto* child = new ProbeNode(&destroyed);
    parent->AddChild(child);
    EXPECT_EQ(child->refcount, 1);
    Handle<GraphNode> stranger = MakeHandle<GraphNode>();
    EXPECT_FALSE(stranger->RemoveChild(child));  // not its child: untouched
    EXPECT_FALSE(destroyed);
    EXPECT_TRUE(parent->RemoveChild(child));
    EXPECT_TRUE(destroyed);
}

TEST(GraphNodeTest, DestroyingAParentDestroysItsSubtreeAndObjects) {
    bool childGone = false;
    Handle<TriangleSoup> object = MakeHandle<TriangleSoup>();
    {
        Handle<GraphNode> parent = MakeHandle<GraphNode>();
        parent->AddChild(new ProbeNode(&childGone));
        parent->AddObject(object.Get());
        EXPECT_EQ(object->parent, parent.Get());
    }
    EXPECT_TRUE(childGone);
    EXPECT_EQ(object->parent, nullptr);
    EXPECT_EQ(object->refcount, 1);
}

TEST(GraphNodeTest, LinksAreCleanedUpOnRemovalAndDestruction) {
    Handle<GraphNode> room = MakeHandle<GraphNode>(), other = MakeHandle<GraphNode>();
    Handle<GraphNode> mover = MakeHandle<GraphNode>();
    room->AddChild(mover.Get());
    mover->LinkTo(other.Get());
    EXPECT_EQ(other->linkedFrom.count(mover.Get()), 1u);
    room->RemoveChild(mover.Get());
    EXPECT_TRUE(other->linkedFrom.empty());
    EXPECT_TRUE(mover->linkedTo.empty());

    mover->LinkTo(other.Get());
    other = nullptr;  // the link target dies first
    EXPECT_TRUE(mover->linkedTo.empty());
}

int CountCalls(GraphObj* object, void* data) {
    static_cast<std::vector<GraphObj*>*>(data)->push_back(object);
    return 0;
}

TEST(GraphNodeTest, EnumerateFlagsAndRecursion) {
    Handle<GraphNode> root = MakeHandle<GraphNode>(), child = MakeHandle<GraphNode>();
    Handle<TriangleSoup> o1 = MakeHandle<TriangleSoup>(), o2 = MakeHandle<TriangleSoup>();
    Handle<GraphPortal> portal = MakeHandle<GraphPortal>();
    root->AddChild(child.Get());
    root->AddObject(o1.Get());
    child->AddObject(o2.Get());
    root->AddPortal(portal.Get());
    std::vector<GraphObj*> seen;
    root->Enumerate(CountCalls, GraphNode::kEnumerateObjects, &seen, true);
    EXPECT_EQ(seen, (std::vector<GraphObj*>{o1.Get(), o2.Get()}));
    seen.clear();
    root->Enumerate(CountCalls, GraphNode::kEnumerateSelf, &seen, false);
    EXPECT_EQ(seen, (std::vector<GraphObj*>{root.Get()}));
    seen.clear();
    root->Enumerate(CountCalls, GraphNode::kEnumerateSelf | GraphNode::kEnumeratePortals, &seen,
                    true);
    EXPECT_EQ(seen, (std::vector<GraphObj*>{root.Get(), portal.Get(), child.Get()}));

    uint8_t on = 1;
    root->Enumerate(EnumerateShowBounds, GraphNode::kEnumerateSelf, &on, true);
    EXPECT_EQ(child->bounds->drawEnabled, 1);
    EXPECT_EQ(EnumerateSetDrawOnce(o1.Get(), nullptr), ERR_NULL_ARGUMENT);
    root->Enumerate(EnumerateSetDrawOnce, GraphNode::kEnumerateObjects, &on, true);
    EXPECT_EQ(o2->drawOnce, 1);
}

TEST(GraphNodeTest, MirrorToggleLeavesOpeningsActive) {
    Handle<GraphNode> room = MakeHandle<GraphNode>();
    Handle<GraphPortal> door = MakeHandle<GraphPortal>(), mirror = MakeHandle<GraphPortal>();
    mirror->portalKind = GraphPortal::kMirror;
    room->AddPortal(door.Get());
    room->AddPortal(mirror.Get());
    uint8_t off = 0;
    room->Enumerate(EnumerateSetPortalActive, GraphNode::kEnumeratePortals, &off, true);
    EXPECT_EQ(mirror->active, 0);
    EXPECT_EQ(door->active, 1);
}

TEST(GraphNodeTest, CloneCopiesPlacementButNotContents) {
    ResetObjectNumbersForTesting();
    Handle<GraphNode> source = MakeHandle<GraphNode>();
    source->AddChild(MakeHandle<GraphNode>().Get());
    source->SetPosition({1, 2, 3}, RelativeTo::Local());
    source->SetOrientation({1, 0, 0}, {0, 1, 0}, RelativeTo::Local());
    source->reserved = 7;
    Handle<GraphObj> copy = source->Clone();
    ASSERT_TRUE(copy);
    auto* node = static_cast<GraphNode*>(copy.Get());
    EXPECT_EQ(node->name, "GraphNode 0 clone");
    EXPECT_EQ(node->nodeNumber, 2);
    EXPECT_TRUE(node->children.empty());
    EXPECT_EQ(node->reserved, 7);
    Vector3 p, d, u;
    node->GetPosition(p, RelativeTo::Local());
    node->GetOrientation(d, u, RelativeTo::Local());
    EXPECT_EQ(p, (Vector3{1, 2, 3}));
    EXPECT_EQ(d, (Vector3{1, 0, 0}));
}

TEST(GraphNodeTest, UpdateBoundsMergesChildrenObjectsAndPortals) {
    Handle<GraphNode> root = MakeHandle<GraphNode>(), child = MakeHandle<GraphNode>();
    Handle<TriangleSoup> soup =
        MakeHandle<TriangleSoup>(std::vector<Vector3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    soup->bounds = std::make_unique<BoundingBox>();
    ASSERT_TRUE(soup->UpdateBounds(false));
    root->AddChild(child.Get());
    child->SetPosition({10, 0, 0}, RelativeTo::Local());
    child->AddObject(soup.Get());
    ASSERT_TRUE(root->UpdateBounds(true));
    EXPECT_TRUE(root->boundsValid);
    const auto* box = static_cast<BoundingBox*>(root->bounds.get());
    EXPECT_EQ(box->minimum, (Vector3{10, 0, 0}));
    EXPECT_EQ(box->maximum, (Vector3{11, 1, 0}));
    root->bounds.reset();
    EXPECT_FALSE(root->UpdateBounds(true));
}

TEST(RenderableTest, BoundsUseFaceVerticesAndFitting) {
    TriangleSoup soup({{0, 0, 0}, {2, 0, 0}, {0, 4, 0}});
    soup.bounds = std::make_unique<BoundingBox>();
    Vector3 lo, hi;
    soup.GetVertexBounds(&lo, &hi);
    EXPECT_EQ(hi, (Vector3{2, 4, 0}));
    soup.FitToBox({-1, -1, -1}, {1, 1, 1});
    soup.GetVertexBounds(&lo, &hi);
    EXPECT_EQ(lo, (Vector3{-1, -1, 0}));  // the flat z axis is moved, not scaled
    EXPECT_EQ(hi, (Vector3{1, 1, 0}));
    soup.FitToBox({0, 0, 0}, {2, 4, 0});
    soup.FitUniform({0, 0, 0}, {1, 1, 1});
    soup.GetVertexBounds(&lo, &hi);
    EXPECT_FLOAT_EQ(hi.x - lo.x, 0.5f);  // proportions kept: 2 x 4 into 1 x 1
    EXPECT_FLOAT_EQ(hi.y - lo.y, 1.0f);
    EXPECT_FLOAT_EQ((lo.x + hi.x) / 2, 0.5f);
    soup.CentreAtOrigin();
    soup.GetVertexBounds(&lo, &hi);
    EXPECT_FLOAT_EQ(lo.x + hi.x, 0.0f);
    EXPECT_FLOAT_EQ(lo.y + hi.y, 0.0f);
    soup.ScaleVertices({2, 2, 2});
    soup.GetVertexBounds(&lo, &hi);
    EXPECT_FLOAT_EQ(hi.y - lo.y, 2.0f);
}

}  // namespace
}  // namespace vimsa
