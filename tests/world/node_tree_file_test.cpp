// Object files of scene subtrees: a node with its placement, name, bounds,
// objects, children, portals and animations, saved and loaded back.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "io/catalogs.h"
#include "io/serializer.h"
#include "render/testing/recording_renderer.h"
#include "render/texture.h"
#include "scene/animation.h"
#include "scene/bounding_box_serializer.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "scene/node_frame_serializer.h"
#include "tests/io/io_test_util.h"
#include "tests/support/record_bytes.h"
#include "world/mesh_base.h"
#include "world/mesh_serializer.h"
#include "world/node_tree_serializer.h"
#include "world/particle_syst.h"

namespace vimsa {
namespace {

using testing::Bytes;
using testing::FindTag;
using testing::U32At;
using testing::WrittenBytes;

constexpr size_t kHeaderBytes = 18;  // the "OGDB" header of a saved file

// Runs each test in a folder of its own, where saves record their ids.
class NodeTreeFileTest : public ::testing::Test {
protected:
    NodeTreeFileTest() : dir_(true) {
        ResetCatalogsForTesting();
        SetCompressionMode(0);
        std::filesystem::create_directories("data");
    }
    ~NodeTreeFileTest() override {
        SetCompressionMode(0);
        ResetCatalogsForTesting();
    }

    test::TempDir dir_;
};

// A twin pair holds itself alive until one side lets go.
void Unpair(GraphNode& node) {
    for (const Handle<GraphPortal>& portal : node.portals)
        portal->RemoveAllPortals();
    for (const Handle<GraphNode>& child : node.children)
        Unpair(*child);
}

Handle<GraphNode> Node(const char* name, Vector3 position) {
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->name = name;
    node->SetPosition(position, RelativeTo::Local());
    node->SetOrientation({1, 0, 0}, {0, 0.6f, 0.8f}, RelativeTo::Local());
    return node;
}

// A textured quad with two coordinate sets and one colour per vertex.
Handle<MeshBase> Quad(const char* name, float size) {
    const Vector3 p[4] = {{0, 0, 0}, {size, 0, 0}, {size, size, 0}, {0, size, 1}};
    const Vector2 uv[8] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {2, 2}, {3, 2}, {3, 3}, {2, 3}};
    const float colours[16] = {1, 0, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 0.5f, 0.25f, 0.75f, 0.5f};
    const int32_t faces[4] = {0, 1, 2, 3};
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    EXPECT_EQ(mesh->Build(4, 1, 2, 1, p, faces, uv, colours), RESULT_OK);
    mesh->name = name;
    mesh->bounds = std::make_unique<BoundingBox>();
    mesh->UpdateBounds(false);
    return mesh;
}

Handle<Track> SampleTrack(float offset) {
    std::vector<KeyData> keys(3);
    for (uint32_t i = 0; i < 3; ++i) {
        keys[i].time = 10 * i;
        keys[i].extra[i] = static_cast<uint8_t>(0xA0 + i);  // carried unchanged
    }
    const Vector3 positions[3] = {{offset, 0, 0}, {offset, 1, 0}, {offset, 2, 5}};
    const float rotations[8] = {0.5f, 0, 1, 0, 0.25f, 1, 0, 0};
    const Vector3 third[1] = {{7, 8, 9}};
    Handle<Track> track = MakeHandle<Track>();
    EXPECT_EQ(track->BuildTrack(20, 0, 3, keys.data(), positions, 2, keys.data(), rotations, 1,
                                keys.data(), third),
              RESULT_OK);
    return track;
}

// Everything a node tree file holds, with values other than the defaults.
struct SampleScene {
    Handle<GraphNode> root = Node("level", {1, 2, 3});
    Handle<GraphNode> roomA = Node("room A", {-4, 0, 0});
    Handle<GraphNode> roomB = Node("room B", {4, 0, 0});
    Handle<GraphNode> prop = Node("prop", {0, 0.5f, 0});
    Handle<GraphNode> outside = Node("not saved", {0, 0, 0});
    Handle<GraphPortal> doorA = MakeHandle<GraphPortal>();
    Handle<GraphPortal> doorB = MakeHandle<GraphPortal>();
    Handle<GraphPortal> mirror = MakeHandle<GraphPortal>();
    Handle<Texture> wall = MakeHandle<Texture>();
    Handle<Texture> detail = MakeHandle<Texture>();
    Handle<Texture> spark = MakeHandle<Texture>();
    Handle<AnimationSet> animations = MakeHandle<AnimationSet>();

    SampleScene() {
        wall->SetPath("texture/wall.tga");
        detail->SetPath("texture/detail.tga");
        spark->SetPath("texture/particle.tga");
        root->boundsFlag = 3;
        root->boundsValid = 1;
        auto* box = static_cast<BoundingBox*>(root->bounds.get());
        box->Set({-10, -1, -10}, {10, 5, 10});
        box->drawEnabled = 1;
        box->drawWireframe = 0;
        box->SetColour({0.1f, 0.2f, 0.3f, 0.4f});

        Handle<MeshBase> mesh = Quad("floor", 2);
        mesh->textures[0] = wall;
        mesh->textures[1] = detail;
        mesh->meshFlag = 1;
        mesh->meshValue = 2.5f;
        root->AddObject(mesh.Get());
        AddLights();
        Handle<ParticleSyst> fountain = MakeHandle<ParticleSyst>();
        EXPECT_EQ(fountain->SetCount(5), RESULT_OK);
        fountain->SetTexture(spark.Get());
        root->AddObject(fountain.Get());
        Handle<OrbitParticleSyst> orbit = MakeHandle<OrbitParticleSyst>();
        EXPECT_EQ(orbit->SetCount(3), RESULT_OK);
        root->AddObject(orbit.Get());

        root->AddChild(roomA.Get());
        root->AddChild(roomB.Get());
        roomA->AddChild(prop.Get());
        prop->AddObject(Quad("statue", 1).Get());
        AddPortals();

        // roomB has none: its record then holds neither "ANIM" nor "UNKN".
        for (GraphNode* node : {prop.Get(), roomA.Get(), outside.Get()}) {
            Handle<Animation> animation =
                MakeHandle<Animation>(SampleTrack(node->local.position.x).Get());
            animation->BindNode(node);
            animations->Add(animation.Get());
        }
    }
    ~SampleScene() { Unpair(*root); }

    void AddLights() {
        Handle<AmbientLight> ambient = MakeHandle<AmbientLight>();
        ambient->colour = {0.2f, 0.3f, 0.4f, 1};
        ambient->intensity = 0.5f;
        ambient->enabled = 0;
        Handle<DirectionalLight> sun = MakeHandle<DirectionalLight>();
        sun->lightDirection = {0, -1, 0};
        sun->lightPosition = {1, 2, 3};
        Handle<PointLight> lamp = MakeHandle<PointLight>();
        lamp->attenuation0 = 0.5f;
        lamp->attenuation1 = 0.25f;
        lamp->attenuation2 = 0.125f;
        lamp->SetRange(40);
        Handle<SpotLight> spot = MakeHandle<SpotLight>();
        spot->SetRange(60);
        spot->SetAngles(0.5f, 1.0f);
        spot->name = "spot";
        for (Light* light : {static_cast<Light*>(ambient.Get()), static_cast<Light*>(sun.Get()),
                             static_cast<Light*>(lamp.Get()), static_cast<Light*>(spot.Get())})
            root->AddObject(light);
    }

    void AddPortals() {
        doorA->name = "door A";
        doorB->name = "door B";
        mirror->name = "mirror";
        doorA->bounds = std::make_unique<BoundingBox>(Vector3{-1, 0, 0}, Vector3{1, 2, 0});
        doorA->SetPosition({0, 0, 3}, RelativeTo::Local());
        doorB->SetOrientation({0, 0, -1}, {0, 1, 0}, RelativeTo::Local());
        doorB->portalFlag = 2;
        mirror->portalKind = GraphPortal::kMirror;
        mirror->hasMirrorMatrix = 1;
        mirror->mirrorMatrix(2, 2) = -1;
        mirror->mirrorMatrix(3, 1) = 0.5f;
        mirror->SetActive(false);
        roomA->AddPortal(doorA.Get());
        roomB->AddPortal(doorB.Get());
        roomB->AddPortal(mirror.Get());
        doorA->AddPortal(doorB.Get());
        doorB->AddPortal(doorA.Get());
    }
};

// --- comparison of a tree with the tree read back ---

void ExpectSameFrame(GraphNode& a, GraphNode& b) {
    Vector3 pa, pb, da, db, ua, ub;
    ASSERT_TRUE(a.GetPosition(pa, RelativeTo::Local()));
    ASSERT_TRUE(b.GetPosition(pb, RelativeTo::Local()));
    ASSERT_TRUE(a.GetOrientation(da, ua, RelativeTo::Local()));
    ASSERT_TRUE(b.GetOrientation(db, ub, RelativeTo::Local()));
    EXPECT_EQ(pa, pb);
    EXPECT_EQ(da, db);
    EXPECT_EQ(ua, ub);
}

void ExpectSameGraphObj(const GraphObj& a, const GraphObj& b) {
    SCOPED_TRACE(a.name);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.boundsFlag, b.boundsFlag);
    ASSERT_EQ(a.bounds == nullptr, b.bounds == nullptr);
    if (!a.bounds) return;
    const auto& ba = static_cast<const BoundingBox&>(*a.bounds);
    const auto& bb = dynamic_cast<const BoundingBox&>(*b.bounds);
    EXPECT_EQ(ba.minimum, bb.minimum);
    EXPECT_EQ(ba.maximum, bb.maximum);
    EXPECT_EQ(ba.corners[6], bb.corners[6]);
    EXPECT_EQ(ba.drawEnabled, bb.drawEnabled);
    EXPECT_EQ(ba.drawWireframe, bb.drawWireframe);
    EXPECT_EQ(ba.debugColour, bb.debugColour);
}

template <typename T>
void ExpectSameBlock(const T* a, const T* b, int32_t count) {
    ASSERT_TRUE(a && b);
    EXPECT_EQ(std::memcmp(a, b, sizeof(T) * static_cast<size_t>(count)), 0);
}

void ExpectSameMesh(const MeshBase& a, const MeshBase& b) {
    ASSERT_EQ(a.VertexCount(), b.VertexCount());
    ASSERT_EQ(a.FaceCount(), b.FaceCount());
    ExpectSameBlock(a.Vertices(), b.Vertices(), a.VertexCount());
    ExpectSameBlock(a.Indices(), b.Indices(), 3 * a.FaceCount());
    ExpectSameBlock(a.Planes(), b.Planes(), a.FaceCount());
    EXPECT_EQ(a.meshFlag, b.meshFlag);
    EXPECT_EQ(a.meshValue, b.meshValue);
    for (int i = 0; i < kMeshTextures; ++i)
        EXPECT_EQ(a.textures[i], b.textures[i]) << "texture entry " << i;
}

void ExpectSameLight(const Light& a, const Light& b) {
    // The stored alpha is not read back.
    EXPECT_EQ(b.colour, (Vector4{a.colour.x, a.colour.y, a.colour.z, 0}));
    EXPECT_EQ(a.intensity, b.intensity);
    EXPECT_EQ(a.enabled, b.enabled);
    EXPECT_EQ(a.lightPosition, b.lightPosition);
    EXPECT_EQ(a.lightDirection, b.lightDirection);
    const auto* pa = dynamic_cast<const PointLight*>(&a);
    if (!pa) return;
    const auto& pb = dynamic_cast<const PointLight&>(b);
    EXPECT_EQ((Vector4{pa->attenuation0, pa->attenuation1, pa->attenuation2, pa->range}),
              (Vector4{pb.attenuation0, pb.attenuation1, pb.attenuation2, pb.range}));
    EXPECT_EQ(pa->rangeSquared, pb.rangeSquared);
    EXPECT_EQ(pa->inverseRange, pb.inverseRange);
    const auto* sa = dynamic_cast<const SpotLight*>(&a);
    if (!sa) return;
    const auto& sb = dynamic_cast<const SpotLight&>(b);
    EXPECT_EQ((Vector4{sa->innerAngle, sa->outerAngle, sa->innerCos, sa->outerCos}),
              (Vector4{sb.innerAngle, sb.outerAngle, sb.innerCos, sb.outerCos}));
}

void ExpectSameObject(const GraphObj& a, const GraphObj& b) {
    ExpectSameGraphObj(a, b);
    ASSERT_EQ(a.GetType(), b.GetType());
    if (const auto* mesh = dynamic_cast<const MeshBase*>(&a)) {
        ExpectSameMesh(*mesh, dynamic_cast<const MeshBase&>(b));
    } else if (const auto* light = dynamic_cast<const Light*>(&a)) {
        ExpectSameLight(*light, dynamic_cast<const Light&>(b));
    } else if (const auto* system = dynamic_cast<const ParticleSyst*>(&a)) {
        const auto& other = dynamic_cast<const ParticleSyst&>(b);
        EXPECT_EQ(system->Count(), other.Count());
        EXPECT_EQ(other.Particles().size(), static_cast<size_t>(system->Count()));
        EXPECT_EQ(system->GetTexture(), other.GetTexture());
    }
}

void ExpectSamePortal(GraphPortal& a, GraphPortal& b) {
    ExpectSameGraphObj(a, b);
    ExpectSameFrame(a, b);
    EXPECT_EQ(a.portalKind, b.portalKind);
    EXPECT_EQ(a.active, b.active);
    EXPECT_EQ(a.portalFlag, b.portalFlag);
    EXPECT_EQ(a.hasMirrorMatrix, b.hasMirrorMatrix);
    EXPECT_EQ(std::memcmp(a.mirrorMatrix.m, b.mirrorMatrix.m, sizeof a.mirrorMatrix.m), 0);
    // The twin read back is the twin's copy: same name, in the new tree.
    ASSERT_EQ(a.Twin() == nullptr, b.Twin() == nullptr);
    if (a.Twin()) {
        EXPECT_EQ(a.Twin()->name, b.Twin()->name);
        EXPECT_NE(a.Twin(), b.Twin());
        EXPECT_EQ(b.Twin()->Twin(), &b);
        EXPECT_EQ(b.portals.size(), 1u);
    }
}

void ExpectSameTree(GraphNode& a, GraphNode& b) {
    ExpectSameGraphObj(a, b);
    ExpectSameFrame(a, b);
    EXPECT_EQ(a.boundsValid, b.boundsValid);
    ASSERT_EQ(a.objects.size(), b.objects.size());
    for (size_t i = 0; i < a.objects.size(); ++i)
        ExpectSameObject(*a.objects[i], *b.objects[i]);
    ASSERT_EQ(a.portals.size(), b.portals.size());
    for (size_t i = 0; i < a.portals.size(); ++i)
        ExpectSamePortal(*a.portals[i], *b.portals[i]);
    ASSERT_EQ(a.children.size(), b.children.size());
    for (size_t i = 0; i < a.children.size(); ++i) {
        EXPECT_EQ(b.children[i]->parent, &b);
        ExpectSameTree(*a.children[i], *b.children[i]);
    }
}

void ExpectSameTrack(const Track& a, const Track& b) {
    EXPECT_EQ(a.endFrame, b.endFrame);
    EXPECT_EQ(a.firstIndex, b.firstIndex);
    ASSERT_EQ(a.positions.size(), b.positions.size());
    ASSERT_EQ(a.rotations.size(), b.rotations.size());
    ASSERT_EQ(a.thirdValues.size(), b.thirdValues.size());
    const auto n = [](size_t size) { return static_cast<int32_t>(size); };
    ExpectSameBlock(a.positions.data(), b.positions.data(), n(a.positions.size()));
    ExpectSameBlock(a.positionKeys.data(), b.positionKeys.data(), n(a.positions.size()));
    ExpectSameBlock(a.rotations.data(), b.rotations.data(), n(a.rotations.size()));
    ExpectSameBlock(a.rotationKeys.data(), b.rotationKeys.data(), n(a.rotations.size()));
    ExpectSameBlock(a.thirdValues.data(), b.thirdValues.data(), n(a.thirdValues.size()));
    ExpectSameBlock(a.thirdKeys.data(), b.thirdKeys.data(), n(a.thirdValues.size()));
}

// The animation of `set` bound to a node named `name`, or null.
const Animation* AnimationOf(const AnimationSet& set, const std::string& name) {
    for (size_t i = 0; i < set.Count(); ++i) {
        if (set.At(i)->node && set.At(i)->node->name == name) return set.At(i);
    }
    return nullptr;
}

TEST_F(NodeTreeFileTest, SavedTreeLoadsBackEqualStoredAndCompressed) {
    for (const uint32_t mode : {0u, 1u}) {
        SCOPED_TRACE(mode);
        SetCompressionMode(mode);
        SampleScene scene;
        NodeTreeSerializer writer;
        ASSERT_EQ(writer.SaveNodeTree(scene.root.Get(), "level.f3ds", scene.animations.Get()),
                  RESULT_OK);
        EXPECT_EQ(test::U32At(test::ReadBytes("level.f3ds"), 14), mode);

        Handle<GraphNode> back = MakeHandle<GraphNode>();
        Handle<AnimationSet> loaded;
        NodeTreeSerializer reader;
        ASSERT_EQ(reader.LoadNodeTree(back.Get(), "level.f3ds", &loaded), RESULT_OK);
        ExpectSameTree(*scene.root, *back);

        // The animations of saved nodes come back bound to their copies.
        ASSERT_TRUE(loaded);
        ASSERT_EQ(loaded->Count(), 2u);
        for (const char* name : {"prop", "room A"}) {
            const Animation* original = AnimationOf(*scene.animations, name);
            const Animation* copy = AnimationOf(*loaded, name);
            ASSERT_TRUE(copy) << name;
            EXPECT_NE(copy->node, original->node);
            ExpectSameTrack(*original->track, *copy->track);
        }
        EXPECT_EQ(loaded->At(0)->node, back->children[0]->children[0]);  // file order
        Unpair(*back);
    }
}

TEST_F(NodeTreeFileTest, EmptyNodeFileHoldsItsPartsAndOnlyTheLinkCounts) {
    struct Case {
        const char* label;
        int linkedFrom;
        int linkedTo;
    };
    for (const Case& c : {Case{"no links", 0, 0}, Case{"links", 2, 1}}) {
        SCOPED_TRACE(c.label);
        Handle<GraphNode> node = Node("empty", {0, 0, 0});
        std::vector<Handle<GraphNode>> others;
        for (int i = 0; i < c.linkedFrom + c.linkedTo; ++i) {
            others.push_back(MakeHandle<GraphNode>());
            if (i < c.linkedFrom) {
                others.back()->LinkTo(node.Get());
            } else {
                node->LinkTo(others.back().Get());
            }
        }
        ASSERT_EQ(NodeTreeSerializer().SaveNodeTree(node.Get(), "empty.f3ds", nullptr), RESULT_OK);

        const Bytes file = test::ReadBytes("empty.f3ds");
        ASSERT_EQ(std::string(file.begin() + kHeaderBytes, file.begin() + kHeaderBytes + 4),
                  "GNOD");
        EXPECT_EQ(U32At(file, kHeaderBytes + 4), file.size() - kHeaderBytes);
        size_t at = kHeaderBytes + 10;  // past tag, size and version
        EXPECT_EQ(FindTag(file, "REPE", at), at);
        EXPECT_EQ(U32At(file, at + 4), 10u + 3 * 12);
        at += U32At(file, at + 4);
        EXPECT_EQ(FindTag(file, "GOBJ", at), at);
        at += U32At(file, at + 4);
        const uint32_t expected[5] = {0, 0, 0, static_cast<uint32_t>(c.linkedFrom),
                                      static_cast<uint32_t>(c.linkedTo)};
        for (const uint32_t count : expected) {
            EXPECT_EQ(U32At(file, at), count);
            at += 4;
        }
        EXPECT_EQ(file[at], 0);  // boundsValid
        ++at;
        EXPECT_EQ(FindTag(file, "UNKN", at), at);
        EXPECT_EQ(U32At(file, at + 4), 10u);
        EXPECT_EQ(at + 10, file.size());

        Handle<GraphNode> back = MakeHandle<GraphNode>();
        ASSERT_EQ(NodeTreeSerializer().LoadNodeTree(back.Get(), "empty.f3ds", nullptr), RESULT_OK);
        EXPECT_EQ(back->name, "empty");
        EXPECT_TRUE(back->linkedFrom.empty());
        EXPECT_TRUE(back->linkedTo.empty());
    }
}

TEST_F(NodeTreeFileTest, ObjectsOutsideTheTypeTableAreStoredAsTheirTypeAlone) {
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->AddObject(MakeHandle<Camera>().Get());
    node->AddObject(MakeHandle<Light>().Get());  // the plain light gives no light
    node->AddObject(Quad("kept", 1).Get());
    const Bytes bytes = WrittenBytes([&](ChunkStream& s) {
        EXPECT_EQ(NodeTreeSerializer(node.Get()).SaveToStream(&s), RESULT_OK);
    });
    std::vector<uint32_t> bareTypes;
    for (size_t at = FindTag(bytes, "OBJ "); at < bytes.size();
         at = FindTag(bytes, "OBJ ", at + 1)) {
        if (U32At(bytes, at + 4) == 14) bareTypes.push_back(U32At(bytes, at + 10));
    }
    EXPECT_EQ(bareTypes, (std::vector<uint32_t>{7, 8}));

    Handle<GraphNode> back = MakeHandle<GraphNode>();
    ChunkStream in(bytes);
    ASSERT_EQ(NodeTreeSerializer(back.Get()).LoadFromStream(&in), RESULT_OK);
    ASSERT_EQ(back->objects.size(), 1u);
    EXPECT_EQ(back->objects[0]->name, "kept");
    EXPECT_EQ(in.Tell(), bytes.size());
}

TEST_F(NodeTreeFileTest, VersionOneNodesHoldBareMeshesAndVersionOneBoundsAlwaysABox) {
    Handle<MeshBase> meshes[2] = {Quad("first", 1), Quad("second", 3)};
    Handle<GraphNode> source = Node("old", {5, 6, 7});
    BoundingBox box({-2, -2, -2}, {2, 3, 4});
    const Bytes bytes = WrittenBytes([&](ChunkStream& s) {
        const uint32_t start = s.Tell();
        s.BeginChunk("GNOD");
        s.WriteU16(1);
        EXPECT_EQ(NodeFrameSerializer(source.Get()).SaveToStream(&s), RESULT_OK);
        const uint32_t object = s.Tell();
        s.BeginChunk("GOBJ");
        s.WriteU16(1);
        const uint32_t bounds = s.Tell();
        s.BeginChunk("BV  ");
        s.WriteU16(1);
        s.WriteU8(5);  // boundsFlag; no has-bounds byte before version 2
        EXPECT_EQ(BoundingBoxSerializer(&box).SaveToStream(&s), RESULT_OK);
        s.EndChunk(bounds);
        s.EndChunk(object);
        s.WriteU32(2);
        for (const Handle<MeshBase>& mesh : meshes)
            EXPECT_EQ(MeshSerializer(mesh.Get()).SaveToStream(&s), RESULT_OK);
        for (const uint32_t field : {0u, 0u, 0u, 0u})  // children, portals, links
            s.WriteU32(field);
        s.WriteU8(1);
        s.EndChunk(start);
    });

    Handle<GraphNode> back = MakeHandle<GraphNode>();
    ChunkStream in(bytes);
    ASSERT_EQ(NodeTreeSerializer(back.Get()).LoadFromStream(&in), RESULT_OK);
    ExpectSameFrame(*source, *back);
    EXPECT_EQ(back->boundsFlag, 5);
    EXPECT_EQ(back->boundsValid, 1);
    const auto& loadedBox = dynamic_cast<const BoundingBox&>(*back->bounds);
    EXPECT_EQ(loadedBox.minimum, box.minimum);
    EXPECT_EQ(loadedBox.maximum, box.maximum);
    ASSERT_EQ(back->objects.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        ExpectSameObject(*meshes[i], *back->objects[i]);
}

TEST_F(NodeTreeFileTest, VertexColoursComeBackInTheReadersOrder) {
    // Red as the mesh stores it: blue first by default, red first under OpenGL.
    const uint8_t blueFirst[4] = {0, 0, 255, 255};
    const uint8_t redFirst[4] = {255, 0, 0, 255};
    for (const bool writerIsGl : {false, true}) {
        for (const bool readerIsGl : {false, true}) {
            SCOPED_TRACE(std::string(writerIsGl ? "OpenGL" : "default") + " writer, " +
                         (readerIsGl ? "OpenGL" : "default") + " reader");
            Bytes bytes;
            {
                Handle<testing::RecordingRenderer> gl =
                    writerIsGl ? MakeHandle<testing::RecordingRenderer>() : nullptr;
                Handle<MeshBase> mesh = Quad("red", 1);
                bytes = WrittenBytes([&](ChunkStream& s) {
                    EXPECT_EQ(MeshSerializer(mesh.Get()).SaveToStream(&s), RESULT_OK);
                });
            }
            Handle<testing::RecordingRenderer> gl =
                readerIsGl ? MakeHandle<testing::RecordingRenderer>() : nullptr;
            Handle<MeshBase> back = MakeHandle<MeshBase>();
            ChunkStream in(bytes);
            ASSERT_EQ(MeshSerializer(back.Get()).LoadFromStream(&in), RESULT_OK);
            EXPECT_EQ(std::memcmp(back->Vertices()[0].colour, readerIsGl ? redFirst : blueFirst, 4),
                      0);
        }
    }
}

// Fields of the first object of a node holding two meshes and a particle
// system, overwritten with values the object cannot take.
enum class Field {
    BaseVertexCount,
    IndexCount,
    FirstIndex,
    VertexCount,
    ColourOrder,
    PlaneCount,
    FaceCount,
    TextureCount,
    ParticleCount
};

struct BadCount {
    const char* label;
    std::vector<std::pair<Field, uint32_t>> patches;
};

// Where a field lies: the first object's, or the particle system's.
size_t FieldAt(const Bytes& b, Field field) {
    const size_t base = FindTag(b, "MBAS");
    const size_t afterObject = base + 10 + U32At(b, base + 14);  // past MBAS header and GOBJ
    switch (field) {
        case Field::BaseVertexCount:
            return afterObject;
        case Field::IndexCount:
            return FindTag(b, "FVTX") + 10;
        case Field::FirstIndex:
            return FindTag(b, "FVTX") + 14;
        case Field::VertexCount:
            return FindTag(b, "VTAR") + 10;
        case Field::ColourOrder:
            return FindTag(b, "VTAR") + 14 + 4 * 44;
        case Field::PlaneCount:
            return FindTag(b, "FEQ ") + 10;
        case Field::FaceCount:
            return afterObject + 4;
        case Field::TextureCount:
            return afterObject + 13;
        case Field::ParticleCount: {
            const size_t system = FindTag(b, "PSYS");
            return system + 10 + U32At(b, system + 14);
        }
    }
    return 0;
}

TEST_F(NodeTreeFileTest, RecordsWithCountsBeyondTheirObjectAreDroppedAndReadingGoesOn) {
    const BadCount cases[] = {
        {"more indices than faces", {{Field::IndexCount, 3 * 2 + 3}}},
        {"an index past the vertices", {{Field::FirstIndex, 4}}},
        {"more vertices than allocated", {{Field::VertexCount, 5}}},
        {"an unknown colour order", {{Field::ColourOrder, 7}}},
        {"more planes than faces", {{Field::PlaneCount, 3}}},
        {"more faces than the record holds", {{Field::FaceCount, 0x10000000}}},
        {"faces without vertices",
         {{Field::BaseVertexCount, 0}, {Field::IndexCount, 0}, {Field::VertexCount, 0}}},
        {"more than eight textures", {{Field::TextureCount, 9}}},
        {"more particles than a system holds", {{Field::ParticleCount, 20000}}},
    };
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->AddObject(Quad("first", 1).Get());
    node->AddObject(Quad("second", 2).Get());
    Handle<ParticleSyst> system = MakeHandle<ParticleSyst>();
    ASSERT_EQ(system->SetCount(4), RESULT_OK);
    system->name = "system";
    node->AddObject(system.Get());
    const Bytes intact = WrittenBytes([&](ChunkStream& s) {
        EXPECT_EQ(NodeTreeSerializer(node.Get()).SaveToStream(&s), RESULT_OK);
    });

    for (const BadCount& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes bytes = intact;
        for (const auto& [field, value] : c.patches) {
            const size_t at = FieldAt(intact, field);
            if (field == Field::FirstIndex) {
                bytes[at] = static_cast<uint8_t>(value);
                bytes[at + 1] = 0;
            } else {
                testing::PutU32(bytes, at, value);
            }
        }
        Handle<GraphNode> back = MakeHandle<GraphNode>();
        ChunkStream in(bytes);
        ASSERT_EQ(NodeTreeSerializer(back.Get()).LoadFromStream(&in), RESULT_OK);
        std::vector<std::string> names;
        for (const Handle<GraphObj>& o : back->objects)
            names.push_back(o->name);
        const bool systemDropped = c.patches[0].first == Field::ParticleCount;
        EXPECT_EQ(names, systemDropped ? (std::vector<std::string>{"first", "second"})
                                       : (std::vector<std::string>{"second", "system"}));
        ExpectSameObject(*node->objects[1], *back->objects[systemDropped ? 1 : 0]);
    }
}

TEST_F(NodeTreeFileTest, LoadsBuildNoDeeperTreesAndNoMoreParticlesThanTheirLimits) {
    Handle<GraphNode> root = MakeHandle<GraphNode>();
    GraphNode* deepest = root.Get();
    for (int i = 0; i < 20; ++i) {
        Handle<GraphNode> child = MakeHandle<GraphNode>();
        deepest->AddChild(child.Get());
        deepest = child.Get();
    }
    const auto depthOf = [](const GraphNode& node) {
        int depth = 1;
        for (const GraphNode* n = &node; !n->children.empty(); n = n->children[0].Get())
            ++depth;
        return depth;
    };
    const Bytes bytes = WrittenBytes([&](ChunkStream& s) {
        EXPECT_EQ(NodeTreeSerializer(root.Get()).SaveToStream(&s), RESULT_OK);
    });

    // As if the tree hung 10 levels above the limit.
    NodeTreeSerializer::Context nearLimit;
    nearLimit.depth = NodeTreeSerializer::kMaxDepth - 10;
    ChunkStream counter;
    counter.SetCounting();
    EXPECT_EQ(NodeTreeSerializer(root.Get(), &nearLimit).SaveToStream(&counter), ERR_OUT_OF_RANGE);

    // Loading cuts the tree there: the node below the limit is attached
    // empty and the rest of the file is still read.
    Handle<GraphNode> back = MakeHandle<GraphNode>();
    ChunkStream in(bytes);
    ASSERT_EQ(NodeTreeSerializer(back.Get(), &nearLimit).LoadFromStream(&in), RESULT_OK);
    EXPECT_EQ(depthOf(*back), 11);
    EXPECT_EQ(in.Tell(), bytes.size());

    // Systems share one budget of particles; the one that would overdraw it
    // is dropped and the next, which fits, is read.
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    for (const int32_t count : {4, 4, 4, 2}) {
        Handle<ParticleSyst> system = MakeHandle<ParticleSyst>();
        ASSERT_EQ(system->SetCount(count), RESULT_OK);
        node->AddObject(system.Get());
    }
    const Bytes systems = WrittenBytes([&](ChunkStream& s) {
        EXPECT_EQ(NodeTreeSerializer(node.Get()).SaveToStream(&s), RESULT_OK);
    });
    NodeTreeSerializer::Context smallBudget;
    smallBudget.particleBudget = 10;
    Handle<GraphNode> loaded = MakeHandle<GraphNode>();
    ChunkStream systemsIn(systems);
    ASSERT_EQ(NodeTreeSerializer(loaded.Get(), &smallBudget).LoadFromStream(&systemsIn), RESULT_OK);
    std::vector<int32_t> counts;
    for (const Handle<GraphObj>& o : loaded->objects)
        counts.push_back(dynamic_cast<const ParticleSyst&>(*o).Count());
    EXPECT_EQ(counts, (std::vector<int32_t>{4, 4, 2}));
}

}  // namespace
}  // namespace vimsa
