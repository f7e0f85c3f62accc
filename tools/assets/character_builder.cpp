#include "tools/assets/character_builder.h"

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "scene/quaternion.h"
#include "tools/assets/run_cycle.h"

namespace vimsa::tool {
namespace {

const char* const kCloth = "texture/cloth.tga";
const char* const kSkinTexture = "texture/skin.tga";
const char* const kHairTexture = "texture/hair.tga";
const char* const kPlain = "";

constexpr Vector4 kWhite{1, 1, 1, 1};
constexpr Vector4 kDark{0.08f, 0.06f, 0.05f, 1};

// Where the joints sit on their parents, standing.
constexpr Vector3 kTorsoJoint{0, -0.08f, 0};  // the small of the back, on the hips
constexpr Vector3 kNeckJoint{0, -0.52f, 0};   // on the chest
constexpr float kShoulderY = -0.44f;          // on the chest
constexpr float kUpperArm = 0.3f, kForearm = 0.26f;

// How a character looks; the body's lengths are the runner's.
struct Look {
    Vector4 skin, hair, top, bottom, shoes;
    float shoulders;  // shoulder joints at x = -/+ this
    float chest;      // half the chest's width
    float pelvis;     // half the hips' width
    float headScale;
    bool sleeves;  // short sleeves (else a sleeveless top)
    bool shorts;   // legs bare below mid-thigh (else trousers)
    bool ponytail;
    RunnerBody body;
};

struct Skeleton {
    Handle<GraphNode> hips, torso, head, ponytail;
    std::array<Handle<GraphNode>, 2> upper, fore, thigh, shin, foot;
};

constexpr float Side(int side) {
    return side == 0 ? -1.0f : 1.0f;  // left, right
}

Handle<GraphNode> Joint(GraphNode& parent, Vector3 offset) {
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    node->SetPosition(offset, RelativeTo::Local());
    parent.AddChild(node.Get());
    return node;
}

Skeleton MakeSkeleton(GraphNode& root, const Look& look) {
    const RunnerBody& b = look.body;
    Skeleton s;
    s.hips = Joint(root, {0, 0, 0});
    s.torso = Joint(*s.hips, kTorsoJoint);
    s.head = Joint(*s.torso, kNeckJoint);
    if (look.ponytail) s.ponytail = Joint(*s.head, {0, -0.17f * look.headScale, -0.085f});
    for (size_t i = 0; i < 2; ++i) {
        const float x = Side(static_cast<int>(i));
        s.upper[i] = Joint(*s.torso, {x * look.shoulders, kShoulderY, 0});
        s.fore[i] = Joint(*s.upper[i], {0, kUpperArm, 0});
        s.thigh[i] = Joint(*s.hips, {x * b.hipSpread, b.hipDrop, 0});
        s.shin[i] = Joint(*s.thigh[i], {0, b.thigh, 0});
        s.foot[i] = Joint(*s.shin[i], {0, b.shin, 0});
    }
    return s;
}

// ---- meshes, in each joint's own frame ----

// A round body section: a surface of revolution pressed flat front to back.
void Trunk(MeshBuilder& m, const std::vector<Vector2>& profile, float depth) {
    m.SetPlacement(ScaleMatrix(1, 1, depth));
    m.Lathe(profile, 20, 2, 1);
    m.ResetPlacement();
}

Result DressHips(GraphNode& hips, const Look& look) {
    NodeMeshes parts;
    MeshBuilder& cloth = parts.Add(kCloth);
    cloth.SetColour(look.bottom);
    const float w = look.pelvis;
    Trunk(cloth,
          {{w - 0.02f, -0.1f}, {w, -0.04f}, {w + 0.01f, 0.04f}, {w * 0.6f, 0.12f}, {0, 0.14f}},
          0.72f);
    return parts.AttachTo(hips);
}

Result DressTorso(GraphNode& torso, const Look& look) {
    NodeMeshes parts;
    MeshBuilder& top = parts.Add(kCloth);
    top.SetColour(look.top);
    const float c = look.chest, sh = look.shoulders;
    Trunk(top,
          {{0.05f, -0.5f},
           {sh * 0.6f, -0.485f},
           {sh - 0.01f, -0.455f},
           {c + 0.01f, -0.4f},
           {c, -0.3f},
           {c - 0.02f, -0.18f},
           {c - 0.04f, -0.06f},
           {look.pelvis - 0.01f, 0.02f}},
          0.62f);
    MeshBuilder& skin = parts.Add(kSkinTexture);
    skin.SetColour(look.skin);
    skin.Tube({{0, -0.44f, 0.005f}, {0, -0.56f, 0.01f}}, {0.052f, 0.048f}, 12);
    return parts.AttachTo(torso);
}

// A point on the head's surface seen from the front, for the face's features.
Vector3 OnFace(Vector3 centre, Vector3 radii, float x, float y, float out) {
    const float fx = x / radii.x, fy = (y - centre.y) / radii.y;
    const float z = centre.z + radii.z * std::sqrt(std::max(0.0f, 1 - fx * fx - fy * fy));
    return {x, y, z + out};
}

void Face(MeshBuilder& features, const Look& look, Vector3 centre, Vector3 radii) {
    const float k = look.headScale;
    for (const float x : {-0.033f * k, 0.033f * k}) {
        features.SetColour(kWhite);
        features.Ellipsoid(OnFace(centre, radii, x, centre.y - 0.012f * k, -0.006f),
                           Vector3{0.02f, 0.014f, 0.01f} * k, 6, 10);
        features.SetColour(kDark);
        features.Ellipsoid(OnFace(centre, radii, x, centre.y - 0.012f * k, 0.001f),
                           Vector3{0.009f, 0.01f, 0.005f} * k, 4, 8);
        features.SetColour(look.hair);
        features.Ellipsoid(OnFace(centre, radii, x * 1.1f, centre.y - 0.042f * k, -0.002f),
                           Vector3{0.024f, 0.006f, 0.008f} * k, 4, 8);
    }
    features.SetColour({0.66f, 0.3f, 0.27f, 1});
    features.Ellipsoid(OnFace(centre, radii, 0, centre.y + 0.05f * k, -0.004f),
                       Vector3{0.024f, 0.006f, 0.009f} * k, 4, 8);
}

Result DressHead(GraphNode& head, const Look& look) {
    const float k = look.headScale;
    const Vector3 centre{0, -0.11f * k, 0.01f}, radii = Vector3{0.09f, 0.115f, 0.1f} * k;
    NodeMeshes parts;
    MeshBuilder& skin = parts.Add(kSkinTexture);
    skin.SetColour(look.skin);
    skin.Ellipsoid(centre, radii, 14, 20);
    skin.Ellipsoid(OnFace(centre, radii, 0, centre.y + 0.01f * k, -0.012f),
                   Vector3{0.014f, 0.025f, 0.02f} * k, 6, 8);  // nose
    for (const float x : {-1.0f, 1.0f})
        skin.Ellipsoid({x * radii.x, centre.y, centre.z - 0.01f}, Vector3{0.015f, 0.03f, 0.02f} * k,
                       6, 8);  // ears
    MeshBuilder& hair = parts.Add(kHairTexture);
    hair.SetColour(look.hair);
    // Cut just above the brows, over the ears, full at the back.
    hair.Ellipsoid(centre + Vector3{0, -0.035f * k, -0.012f * k}, Vector3{0.1f, 0.1f, 0.108f} * k,
                   14, 20, 2, 1);
    Face(parts.Add(kPlain, false), look, centre, radii);
    return parts.AttachTo(head);
}

Result DressPonytail(GraphNode& ponytail, const Look& look) {
    NodeMeshes parts;
    MeshBuilder& hair = parts.Add(kHairTexture);
    hair.SetColour(look.hair);
    hair.Tube({{0, -0.02f, 0.01f},
               {0, 0.02f, -0.02f},
               {0, 0.12f, -0.04f},
               {0, 0.22f, -0.03f},
               {0, 0.3f, -0.01f}},
              {0.035f, 0.045f, 0.05f, 0.035f, 0.0f}, 10, 1, 2);
    MeshBuilder& tie = parts.Add(kPlain, false);
    tie.SetColour({0.9f, 0.85f, 0.2f, 1});
    tie.Tube({{0, -0.005f, 0.0f}, {0, 0.025f, -0.02f}}, {0.04f, 0.044f}, 10);
    return parts.AttachTo(ponytail);
}

Result DressArm(const Skeleton& s, size_t i, const Look& look) {
    NodeMeshes upper, fore;
    MeshBuilder& top = upper.Add(kCloth);
    top.SetColour(look.top);
    MeshBuilder& skin = upper.Add(kSkinTexture);
    skin.SetColour(look.skin);
    if (look.sleeves) {
        top.Ellipsoid({0, 0.01f, 0}, {0.065f, 0.07f, 0.062f}, 8, 12);
        top.Tube({{0, 0, 0}, {0, 0.1f, 0}, {0, 0.17f, 0}}, {0.064f, 0.06f, 0.056f}, 12);
    } else {
        skin.Ellipsoid({0, 0.01f, 0}, {0.055f, 0.06f, 0.055f}, 8, 12);
    }
    skin.Tube({{0, 0.0f, 0}, {0, 0.15f, 0}, {0, kUpperArm, 0}}, {0.05f, 0.046f, 0.04f}, 12);
    skin.Ellipsoid({0, kUpperArm, 0}, {0.04f, 0.04f, 0.04f}, 6, 10);  // elbow
    MeshBuilder& arm = fore.Add(kSkinTexture);
    arm.SetColour(look.skin);
    arm.Tube({{0, 0, 0}, {0, 0.13f, 0.0f}, {0, kForearm, 0}}, {0.04f, 0.036f, 0.03f}, 12);
    arm.Ellipsoid({0, kForearm + 0.07f, 0.005f}, {0.028f, 0.075f, 0.045f}, 8, 10);  // hand
    const Result r = upper.AttachTo(*s.upper[i]);
    return Failed(r) ? r : fore.AttachTo(*s.fore[i]);
}

Result DressLeg(const Skeleton& s, size_t i, const Look& look) {
    const RunnerBody& b = look.body;
    NodeMeshes thigh, shin, foot;
    MeshBuilder& cloth = thigh.Add(kCloth);
    cloth.SetColour(look.bottom);
    const float covered = look.shorts ? b.thigh * 0.45f : b.thigh;
    cloth.Ellipsoid({0, 0.0f, 0}, {0.085f, 0.07f, 0.085f}, 8, 12);
    cloth.Tube({{0, 0, 0}, {0, covered * 0.5f, 0.005f}, {0, covered, 0.005f}},
               {0.088f, look.shorts ? 0.085f : 0.075f, look.shorts ? 0.082f : 0.062f}, 14);
    MeshBuilder& legSkin = thigh.Add(kSkinTexture);
    legSkin.SetColour(look.skin);
    if (look.shorts)
        legSkin.Tube({{0, covered - 0.02f, 0.005f}, {0, b.thigh, 0}}, {0.072f, 0.058f}, 14);
    MeshBuilder& lower = shin.Add(look.shorts ? kSkinTexture : kCloth);
    lower.SetColour(look.shorts ? look.skin : look.bottom);
    lower.Ellipsoid({0, 0, 0.005f}, {0.058f, 0.06f, 0.058f}, 8, 12);  // knee
    lower.Tube({{0, 0, 0.005f}, {0, 0.14f, -0.01f}, {0, 0.36f, 0}}, {0.058f, 0.054f, 0.04f}, 14);
    MeshBuilder& shoe = foot.Add(kPlain);
    shoe.SetColour(look.shoes);
    // A rounded shoe whose sole is flat at the ankle height below the ankle.
    const float sole = b.ankleHeight;
    shoe.Grid(10, 16, [sole](float u, float t) {
        const float polar = u * kPi, angle = t * kTwoPi;
        const Vector3 unit{std::sin(polar) * std::cos(angle), -std::cos(polar),
                           std::sin(polar) * std::sin(angle)};
        Vector3 p =
            Vector3{0, 0.035f, 0.045f} + Vector3{unit.x * 0.052f, unit.y * 0.05f, unit.z * 0.125f};
        p.y = std::min(p.y, sole);
        return MeshBuilder::SurfacePoint{p, unit};
    });
    shoe.Tube({{0, -0.04f, -0.01f}, {0, 0.03f, -0.005f}}, {0.045f, 0.05f}, 12);
    Result r = thigh.AttachTo(*s.thigh[i]);
    if (Succeeded(r)) r = shin.AttachTo(*s.shin[i]);
    return Failed(r) ? r : foot.AttachTo(*s.foot[i]);
}

// ---- the run ----

Quaternion About(Vector3 axis, float angle) {
    return QuaternionFromAxisAngle(axis, angle);
}
Quaternion AboutX(float angle) {
    return About({1, 0, 0}, angle);
}

// One node's keys over the cycle: a fixed or keyed position and a rotation
// per key.
struct Keys {
    Handle<GraphNode> node;
    std::vector<Vector3> positions;
    std::vector<Quaternion> rotations;
};

Handle<Track> MakeTrack(const Keys& keys) {
    Handle<Track> track = MakeHandle<Track>();
    track->endFrame = CharacterBuilder::kKeys;
    track->firstIndex = 0;
    track->positions = keys.positions;
    track->rotations = keys.rotations;
    for (size_t i = 0; i < keys.positions.size(); ++i)
        track->positionKeys.push_back({static_cast<uint32_t>(i), {}});
    for (size_t i = 0; i < keys.rotations.size(); ++i)
        track->rotationKeys.push_back({static_cast<uint32_t>(i), {}});
    return track;
}

// Every animated node with its rest position, in the order of the set.
std::vector<Keys> KeyedNodes(const Skeleton& s) {
    std::vector<Keys> nodes;
    auto add = [&](const Handle<GraphNode>& node) {
        if (!node) return;
        Vector3 rest;
        node->GetPosition(rest, RelativeTo::Local());
        nodes.push_back({node, {rest}, {}});
    };
    add(s.hips);
    add(s.torso);
    add(s.head);
    add(s.ponytail);
    for (size_t i = 0; i < 2; ++i) {
        for (const Handle<GraphNode>* n :
             {&s.upper[i], &s.fore[i], &s.thigh[i], &s.shin[i], &s.foot[i]})
            add(*n);
    }
    return nodes;
}

// The turns of every keyed node at one pose, in KeyedNodes' order.
void AddPose(std::vector<Keys>& nodes, const RunPose& pose, float phase, bool ponytail) {
    size_t n = 0;
    nodes[n++].rotations.push_back({});  // the hips move without turning
    const Quaternion lean = QuaternionMultiply(About({0, 1, 0}, pose.twist), AboutX(-pose.lean));
    nodes[n++].rotations.push_back(lean);
    // The head turns back against the chest to look where it runs.
    nodes[n++].rotations.push_back(
        QuaternionMultiply(AboutX(pose.lean * 0.8f), About({0, 1, 0}, -pose.twist)));
    if (ponytail) {
        const float bounce = 0.35f + 0.2f * std::sin(2 * kTwoPi * phase);
        nodes[n++].rotations.push_back(
            QuaternionMultiply(About({0, 0, 1}, 0.15f * std::sin(kTwoPi * phase)), AboutX(bounce)));
    }
    for (size_t i = 0; i < 2; ++i) {
        // Arms held a little away from the body.
        const Quaternion out = About({0, 0, 1}, -Side(static_cast<int>(i)) * 0.12f);
        nodes[n++].rotations.push_back(QuaternionMultiply(out, AboutX(pose.arms[i].swing)));
        nodes[n++].rotations.push_back(AboutX(pose.arms[i].elbow));
        nodes[n++].rotations.push_back(AboutX(pose.legs[i].thigh));
        nodes[n++].rotations.push_back(AboutX(pose.legs[i].knee));
        nodes[n++].rotations.push_back(AboutX(pose.legs[i].foot));
    }
}

void Animate(Model& model, const Skeleton& s, const Look& look) {
    const RunCycle cycle(look.body);
    std::vector<Keys> nodes = KeyedNodes(s);
    std::vector<Vector3> hips;
    for (uint32_t k = 0; k <= CharacterBuilder::kKeys; ++k) {
        const float phase = static_cast<float>(k) / CharacterBuilder::kKeys;
        const RunPose pose = cycle.At(phase);
        AddPose(nodes, pose, phase, look.ponytail);
        hips.push_back(pose.hips);
    }
    nodes[0].positions = hips;  // only the hips move; the other joints keep their rest place
    model.animations = MakeHandle<AnimationSet>();
    for (const Keys& keys : nodes) {
        Handle<Animation> animation = MakeHandle<Animation>(MakeTrack(keys).Get());
        animation->BindNode(keys.node.Get());
        model.animations->Add(animation.Get());
    }
}

Result Dress(const Skeleton& s, const Look& look) {
    Result r = DressHips(*s.hips, look);
    if (Succeeded(r)) r = DressTorso(*s.torso, look);
    if (Succeeded(r)) r = DressHead(*s.head, look);
    if (Succeeded(r) && s.ponytail) r = DressPonytail(*s.ponytail, look);
    for (size_t i = 0; i < 2 && Succeeded(r); ++i) {
        r = DressArm(s, i, look);
        if (Succeeded(r)) r = DressLeg(s, i, look);
    }
    return r;
}

Result Build(const Look& look, Model& out) {
    const Skeleton s = MakeSkeleton(*out.root, look);
    const Result r = Dress(s, look);
    if (Failed(r)) return r;
    Animate(out, s, look);
    out.UpdateBounds();
    return RESULT_OK;
}

}  // namespace

Result CharacterBuilder::Kelmardo(Model& out) {
    Look look{};
    look.skin = {0.94f, 0.76f, 0.62f, 1};
    look.hair = {0.3f, 0.18f, 0.09f, 1};
    look.top = {0.8f, 0.16f, 0.12f, 1};
    look.bottom = {0.24f, 0.32f, 0.58f, 1};
    look.shoes = {0.32f, 0.2f, 0.12f, 1};
    look.shoulders = 0.21f;
    look.chest = 0.19f;
    look.pelvis = 0.16f;
    look.headScale = 1.0f;
    look.sleeves = true;
    return Build(look, out);
}

Result CharacterBuilder::Vona(Model& out) {
    Look look{};
    look.skin = {0.86f, 0.64f, 0.5f, 1};
    look.hair = {0.72f, 0.3f, 0.12f, 1};
    look.top = {0.1f, 0.62f, 0.46f, 1};
    look.bottom = {0.26f, 0.22f, 0.6f, 1};
    look.shoes = {0.95f, 0.95f, 0.92f, 1};
    look.shoulders = 0.18f;
    look.chest = 0.16f;
    look.pelvis = 0.17f;
    look.headScale = 0.95f;
    look.shorts = true;
    look.ponytail = true;
    look.body.armSwing = 0.65f;
    look.body.elbow = 1.6f;
    look.body.lean = 0.16f;
    return Build(look, out);
}

}  // namespace vimsa::tool
