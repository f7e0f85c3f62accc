#include "demo/demo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "demo/model_importer.h"
#include "io/catalogs.h"
#include "platform/input/key_table.h"
#include "render/render_state.h"
#include "scene/collision.h"
#include "scene/pair_tests.h"
#include "scene/portal_render.h"
#include "world/node_tree_serializer.h"

namespace vimsa {
namespace {

using input::Key;

constexpr float kTwoPi = 6.2831853f;
constexpr float kLookLimit = 1.0367256f;  // about 59.4 degrees

float Wrap(float angle) {
    angle = std::fmod(angle, kTwoPi);
    return angle < 0 ? angle + kTwoPi : angle;
}

// (0, 0, 1) turned by `angle` about the vertical axis.
Vector3 Forward(float angle) {
    return {std::sin(angle), 0, std::cos(angle)};
}

// Unit length unless already within the tolerance, or zero.
Vector3 Unit(Vector3 v) {
    Normalize(v);
    return v;
}

// "Up" made square to `forward` from the scene's vertical axis.
Vector3 UpFor(Vector3 forward) {
    const Vector3 right = Cross(Vector3{0, 1, 0}, forward);
    return Unit(Cross(forward, right));
}

bool Pressed(Key key) {
    return input::Keyboard().Pressed(key);
}

bool Held(Key key) {
    return input::Keyboard().Held(key);
}

// Every key the frame reads.
constexpr Key kFrameKeys[] = {Key::Escape,   Key::F1,      Key::B,       Key::C,       Key::D,
                              Key::E,        Key::F,       Key::J,       Key::K,       Key::M,
                              Key::P,        Key::S,       Key::W,       Key::Pause,   Key::PageUp,
                              Key::PageDown, Key::Numpad8, Key::Numpad2, Key::Numpad4, Key::Numpad6,
                              Key::Numpad0,  Key::Left,    Key::Right,   Key::Up,      Key::Down,
                              Key::F5,       Key::F6,      Key::F12};

const char* OnOff(uint8_t flag) {
    return flag ? " (ON)" : " (OFF)";
}

}  // namespace

Demo::Demo() : now_(DemoClock()), last_(now_) {}

Demo::~Demo() {
    Shutdown("");
}

void Demo::Shutdown(std::string_view message) {
    terrain_ = nullptr;
    for (Handle<ParticleSyst>& system : particles_)
        system = nullptr;
    ReleaseAll(message);
}

int Demo::CharacterRoom() const {
    const GraphNode* character = Node(kCharacterNode);
    return character && character->parent ? character->parent->nodeNumber : -1;
}

// --- start-up ---

Result Demo::Load(RenderWindow* window) {
    Shutdown("");
    (void)LoadDatabase("Vimsa.cat");  // without it, files are read from the disk by name
    Result r = InitDisplay(window);
    if (Failed(r)) {
        Shutdown("");
        return r;
    }
    ready_ = 0;
    SetCurrentRenderer(renderer_.Get());
    const struct {
        int slot;
        Vector4 colour;
        Vector2 position;
    } texts[] = {{1, {0.5f, 1.0f, 0.5f, 1.0f}, {0, 32}}, {2, {0.5f, 1.0f, 1.0f, 1.0f}, {0, 144}}};
    for (const auto& t : texts) {
        Handle<TextPoly>& poly = textPolys_[static_cast<size_t>(t.slot)];
        poly = MakeHandle<TextPoly>();
        poly->SetFont(fonts_[0].Get());
        poly->SetColour(t.colour);
        poly->SetPosition(t.position);
    }
    musicPlayer_ = MakeHandle<MusicPlayer>();
    mediaPlayer_ = MakeHandle<MediaPlayback>();
    r = BuildScene("mesh/level000.f3ds");
    if (Failed(r)) {
        Shutdown("error creating level");
        return r;
    }
    r = LoadModels();
    if (Failed(r)) {
        Shutdown("error loading character");
        return r;
    }
    r = CreateCameras();
    if (Failed(r)) return r;
    nodes_[0]->UpdateBounds(true);
    nodes_[kOrbitCameraNode]->bounds = std::make_unique<BoundingSphere>(Vector3{0, 0, 0}, 0.35f);
    if (GraphNode* model = Node(kCharacterModelNode)) {
        Vector4 red{1, 0, 0, 1}, white{1, 1, 1, 1};
        model->Enumerate(EnumerateSetBoundsColour, GraphNode::kEnumerateObjects, &red, true);
        model->Enumerate(EnumerateSetBoundsColour, GraphNode::kEnumerateSelf, &white, false);
    }
    nodes_[0]->Enumerate(EnumerateSetPortalActive, GraphNode::kEnumeratePortals, &mirrors_, true);
    for (Key key : kFrameKeys)
        (void)input::Keyboard().Pressed(key);  // presses made while loading do not fire
    SetCurrentRenderer(renderer_.Get());
    r = LoadTerrain("terrain/terrain.txt");
    if (Failed(r)) {
        Shutdown("error creating terrain");
        return r;
    }
    now_ = last_ = DemoClock();
    ready_ = 1;
    return RESULT_OK;
}

Result Demo::CreateCameras() {
    const struct {
        int node;
        float farPlane;
        const char* message;
    } rigs[] = {{kOrbitCameraNode, 300, "error creating camera 0 (3rd person)"},
                {37, 100, "error creating camera 1 (fixed)"},
                {38, 100, "error creating camera 2 (fixed)"}};
    for (size_t i = 0; i < 3; ++i) {
        GraphNode* node = Node(rigs[i].node);
        if (!node) {
            Shutdown(rigs[i].message);
            return ERR_FAIL;
        }
        cameras_[i] = MakeHandle<Camera>();
        cameras_[i]->SetNearPlane(0.1f);
        cameras_[i]->SetFarPlane(rigs[i].farPlane);
        node->AddObject(cameras_[i].Get());
        if (i == 0) {
            PlaceCamera();
            cameraActual_ = cameraIdeal_;
            PlaceCamera();
        }
    }
    return RESULT_OK;
}

Result Demo::LoadModels() {
    GraphNode* model = Node(kCharacterModelNode);
    if (!model) return ERR_NULL_ARGUMENT;
    const char* character = alternativeCharacter_ ? "mesh/VonaRun6.f3ds" : "mesh/KelmaRun.f3ds";
    NodeTreeSerializer reader;
    const Result r = reader.LoadNodeTree(model, character, &models_[0]);
    if (Failed(r)) return r;
    counts_.models = 1;
    if (AnimationSet* run = models_[0].Get()) {
        run->SetPlayMode(2);  // back and forth
        run->StartAnimation(0, animationPeriod_, -1);
    }
    struct Prop {
        const char* high;
        const char* low;
        int node;
        std::vector<int> instances;
    };
    const Prop props[] = {{"mesh/Fountain", "mesh/Fountain", 20, {}},
                          {"mesh/Column", "mesh/Cat", 22, {23, 24, 25, 32}},
                          {"mesh/cat", "mesh/cat", 26, {27, 28, 29}},
                          {"mesh/Liberty", "mesh/Pig", 31, {}},
                          {"mesh/Globe", "mesh/Pig", 30, {}},
                          {"mesh/mpl2", "mesh/baobab", 44, {46, 47, 48, 49, 50, 51}}};
    ModelImporter importer;
    for (const Prop& prop : props) {
        GraphNode* target = Node(prop.node);
        if (!target || counts_.models >= kModels) continue;
        const std::string file = std::string(highDetail_ ? prop.high : prop.low) + ".f3ds";
        Handle<AnimationSet>& slot = models_[counts_.models++];
        // A prop that is missing leaves its node empty. One that loads keeps
        // the place the level gives its node, whatever placement its file
        // stored for its root.
        Vector3 position, forward, up;
        const bool placed = target->GetPosition(position, RelativeTo::Local()) &&
                            target->GetOrientation(forward, up, RelativeTo::Local());
        if (Failed(reader.LoadNodeTree(target, file, &slot))) continue;
        if (placed) {
            target->SetPosition(position, RelativeTo::Local());
            target->SetOrientation(forward, up, RelativeTo::Local());
        }
        for (int instance : prop.instances) {
            if (GraphNode* copy = Node(instance); copy && counts_.models < kModels)
                models_[counts_.models++] = importer.Instance(target, slot.Get(), copy);
        }
    }
    return RESULT_OK;
}

Result Demo::LoadTerrain(const char* file) {
    GraphNode* room = Node(kTerrainRoom);
    terrain_ = MakeHandle<Terrain>();
    if (!room || Failed(terrain_->Load(file)) || Failed(terrain_->PrepareStrips())) {
        terrain_ = nullptr;
        return ERR_DEMO_TERRAIN;
    }
    terrain_->SetDetail(detail_ != 0);
    room->AddObject(terrain_.Get());
    // The trees stand on the ground wherever it is under them.
    for (int tree : {44, 46, 47, 48, 49, 50, 51}) {
        Vector3 at;
        float height = 0;
        if (GraphNode* node = Node(tree);
            node && node->GetWorldPosition(at) && terrain_->HeightAt(at, height))
            node->SetPosition(at, RelativeTo::World());
    }
    return RESULT_OK;
}

// --- one frame ---

uint8_t Demo::Frame() {
    if (!ready_) return 0;
    const int room = CharacterRoom();
    size_t active = 0;
    if (!lookMode_) active = room == kFixedCameraRoom1 ? 1 : room == kFixedCameraRoom2 ? 2 : 0;
    Camera* camera = cameras_[active].Get();
    if (!camera) return 0;
    if (active != 0) AimFixedCamera(*camera);
    MoveDoors(room);
    now_ = DemoClock();
    if (particles_[0] && Node(kEmitterNode))
        Node(kEmitterNode)->SetPosition(particles_[0]->EmitterOffset(), RelativeTo::Local());
    RenderFrame(*camera);
    return HandleInput();
}

void Demo::AimFixedCamera(Camera& camera) {
    GraphNode* eye = camera.parent;
    Vector3 from, to;
    if (!eye || !eye->GetWorldPosition(from) || !Node(kCharacterNode)->GetWorldPosition(to)) return;
    const Vector3 forward = Unit(to - from);
    if (LengthSquared(forward) == 0) return;
    eye->SetOrientation(forward, UpFor(forward), RelativeTo::World());
}

void Demo::MoveDoors(int room) {
    const float x = position_.x, z = position_.z;
    bool open1 = false, open2 = false;
    if (room == kDoorRoom) {
        open1 = x > 3 && z > -2 && z < 2;
        open2 = z < -3 && x > -2 && x < 2;
    } else if (room == 19) {
        open1 = x > 4;
    } else if (room == 18) {
        open2 = x > 4;
    }
    const float step = static_cast<float>(frameTime_) * 0.0004f;
    auto move = [step](float& door, bool open) {
        if (open && door < 0.9f) door += step;
        if (!open && door > 0) door -= step;
        door = std::clamp(door, 0.0f, 1.0f);
    };
    move(door1_, open1);
    move(door2_, open2);
    const struct {
        int node;
        float door;
        float side;
    } leaves[] = {{39, door1_, -1}, {40, door1_, 1}, {41, door2_, -1}, {42, door2_, 1}};
    for (const auto& leaf : leaves) {
        if (GraphNode* node = Node(leaf.node))
            node->SetPosition({5.94f, 0, leaf.side * (leaf.door + 0.5f)}, RelativeTo::Local());
    }
    for (int p : {2, 3})
        if (portals_[p]) portals_[p]->SetActive(door2_ != 0);
    for (int p : {4, 5})
        if (portals_[p]) portals_[p]->SetActive(door1_ != 0);
}

void Demo::RenderFrame(Camera& camera) {
    if (!camera.ComputeMatrices() || !renderer_->BeginFrame()) return;
    if (!renderer_->Clear(wireframe_ || clear_ ? kClearColour | kClearDepth : kClearDepth)) return;
    render_state::ResetFrameStatistics();
    renderer_->Begin3D(&camera);
    renderer_->SetSolid(!wireframe_);
    SetCurrentRenderer(renderer_.Get());
    renderer_->SetUseStencil(false);
    if (GraphNode* model = Node(kCharacterModelNode)) {
        model->Enumerate(EnumerateShowBounds, GraphNode::kEnumerateObjects, &boundingBoxes_, true);
        model->Enumerate(EnumerateShowBounds, GraphNode::kEnumerateSelf, &boundingBoxes_, false);
    }
    camera.ClearDrawn();
    const int32_t stamp = passStamp_++;
    if (editorMode_) {
        (void)nodes_[0]->RenderAll(&camera, stamp);
    } else if (camera.parent && camera.parent->parent) {
        int32_t visited = 0;
        (void)RenderFrom(&camera, stamp, visited);
    }
    renderer_->Begin2D();
    renderer_->SetSolid(true);
    DrawHud();
    if (Pressed(Key::F12)) (void)renderer_->ScreenShot();  // a failed shot is no reason to stop
    renderer_->EndFrame();
    renderer_->Present();
}

void Demo::DrawHud() {
    rateFaces_ += render_state::DrawnFaces();
    if (++rateFrames_ >= 10) {
        const uint32_t elapsed = std::max<uint32_t>(now_ - rateStamp_, 1);
        char text[32];
        std::snprintf(text, sizeof text, "%.2f FPS", 10000.0 / elapsed);
        rateText_ = text;
        triangleRate_ = static_cast<double>(rateFaces_) * 1000.0 / elapsed;
        rateFaces_ = 0;
        rateFrames_ = 0;
        rateStamp_ = now_;
    }
    // A text that cannot be drawn leaves the frame as it is.
    if (showRate_ && textPolys_[0]) {
        char text[96];
        std::snprintf(text, sizeof text, "%u*%u\n%s\n%.2f MTRIS/SEC", renderer_->Width(),
                      renderer_->Height(), rateText_.c_str(), triangleRate_ * 0.000001);
        textPolys_[0]->SetText(text);
        (void)textPolys_[0]->Draw();
    }
    if (stats_ && textPolys_[1]) {
        textPolys_[1]->SetText(StatsLines());
        (void)textPolys_[1]->Draw();
    }
    if (help_ && textPolys_[2]) {
        textPolys_[2]->SetText(HelpLines());
        (void)textPolys_[2]->Draw();
    }
}

std::string Demo::StatsLines() {
    // The statistics never run past 1023 characters.
    std::string text;
    auto append = [&text](const char* format, auto... values) {
        char piece[1024];
        std::snprintf(piece, sizeof piece, format, values...);
        text.append(piece, std::min(std::strlen(piece), 1023 - text.size()));
    };
    auto collision = [this](uint8_t hit) {
        return collide_ ? (hit ? "TRUE" : "FALSE") : "DISABLED";
    };
    auto portal = [](uint8_t touched, uint8_t traversed) {
        return traversed ? "TRAVERSED" : touched ? "TRUE" : "FALSE";
    };
    append("FACES: %u\nPTS  : %u\n", render_state::DrawnFaces(), render_state::DrawnPoints());
    append("TEX:   %u\nRAM:   %u\nVIDEO: %u\n\n", TextureCount(), TextureMemory(),
           DeviceTextureMemory());
    append("CHR COLLISION  : %s\n", collision(status_.characterCollision));
    append("CHR PORTAL COLL: %s\n",
           portal(status_.characterPortalCollision, status_.characterTraversed));
    append("CHR NODE: %d\n", CharacterRoom());
    append("CAM COLLISION  : %s\n", collision(status_.cameraCollision));
    append("CAM PORTAL COLL: %s\n", portal(status_.cameraPortalCollision, status_.cameraTraversed));
    const GraphNode* eye = Node(kOrbitCameraNode);
    append("CAM NODE: %d\n", eye && eye->parent ? eye->parent->nodeNumber : -1);
    Vector3 world;
    if (Node(kCharacterNode)->GetWorldPosition(world))
        append("CHR COORDS: %.1f %.1f %.1f", world.x, world.y, world.z);
    return text;
}

std::string Demo::HelpLines() const {
    std::string text = "ESC=EXIT\nF1 =HELP\nF12=SCREENSHOT\nPAUSE=PAUSE";
    text += OnOff(pause_);
    text += "\n\nB=BBOXES ";
    text += OnOff(boundingBoxes_);
    text += "\nC=COLLIDE";
    text += OnOff(collide_);
    text += "\nD=DETAIL ";
    text += OnOff(detail_);
    text += "\nF=FPS\nJ=";
    text += smoothedCamera_ ? " SMOOTHED CAM" : " JERKY CAM";
    text += "\nK=CLEAR  ";
    text += OnOff(clear_);
    text += "\nM=MIRRORS";
    text += OnOff(mirrors_);
    text += editorMode_ ? "\nE=EDITOR MODE" : "\nP=PORTAL CULLING";
    if (!editorMode_) text += OnOff(IsPortalClipping() ? 1 : 0);
    text +=
        "\nS=STATS\nW=WIREFRAME\n\nPG UP/PG DOWN=CAM PITCH\nNUMPAD2/8=ZOOM OUT/IN\n"
        "NUMPAD4/6=ROTATE CAM\n\nARROW KEYS=MOVE\nNUMPAD0+ARROW=LOOK\nF5/F6=ANIM SPEED";
    return text;
}

const std::string& Demo::StatsText() const {
    static const std::string kNone;
    return textPolys_[1] ? textPolys_[1]->GetText() : kNone;
}

const std::string& Demo::HelpText() const {
    static const std::string kNone;
    return textPolys_[2] ? textPolys_[2]->GetText() : kNone;
}

// --- input and motion ---

void Demo::ReadToggles() {
    if (Pressed(Key::Escape)) {
        if (host::Host* h = host::CurrentHost()) h->PostCloseRequest();
    }
    if (Pressed(Key::F1)) help_ ^= 1;
    if (Pressed(Key::B)) boundingBoxes_ ^= 1;
    if (Pressed(Key::C)) collide_ ^= 1;
    if (Pressed(Key::D)) {
        detail_ ^= 1;
        if (terrain_) terrain_->SetDetail(detail_ != 0);
    }
    if (Pressed(Key::E)) editorMode_ ^= 1;
    if (Pressed(Key::F)) showRate_ ^= 1;
    if (Pressed(Key::J)) smoothedCamera_ ^= 1;
    if (Pressed(Key::K)) clear_ ^= 1;
    if (Pressed(Key::M)) {
        mirrors_ ^= 1;
        nodes_[0]->Enumerate(EnumerateSetPortalActive, GraphNode::kEnumeratePortals, &mirrors_,
                             true);
    }
    if (Pressed(Key::P)) SetPortalClipping(!IsPortalClipping());
    if (Pressed(Key::S)) stats_ ^= 1;
    if (Pressed(Key::W)) wireframe_ ^= 1;
    if (Pressed(Key::Pause)) {
        pause_ ^= 1;
        if (!pause_) {
            // The particles go on from where they stopped.
            for (Handle<ParticleSyst>& system : particles_)
                if (system) system->ShiftTime(system->StartTime() + pausedTime_);
            pausedTime_ = 0;
        }
    }
    if (pause_) pausedTime_ += now_ - last_;
    if (Held(Key::PageUp)) cameraPitch_ += 0.034906585f;
    if (Held(Key::PageDown)) cameraPitch_ -= 0.034906585f;
    cameraPitch_ = std::clamp(cameraPitch_, -0.7853982f, 0.7853982f);
    if (Held(Key::Numpad8)) cameraDistance_ -= 0.25f;
    if (Held(Key::Numpad2)) cameraDistance_ += 0.25f;
    cameraDistance_ = std::clamp(cameraDistance_, 1.5f, 20.0f);
    if (Held(Key::Numpad4)) cameraYaw_ = Wrap(cameraYaw_ + 0.08726647f);
    if (Held(Key::Numpad6)) cameraYaw_ = Wrap(cameraYaw_ - 0.08726647f);
}

Demo::Rig Demo::SaveRig() const {
    Rig rig;
    rig.position = position_;
    rig.pivot = pivot_;
    rig.ideal = cameraIdeal_;
    rig.actual = cameraActual_;
    rig.heading = heading_;
    rig.distance = cameraDistance_;
    rig.pitch = cameraPitch_;
    rig.yaw = cameraYaw_;
    rig.lookPitch = lookPitch_;
    rig.lookYaw = lookYaw_;
    return rig;
}

void Demo::RestoreRig(const Rig& rig) {
    position_ = rig.position;
    pivot_ = rig.pivot;
    cameraIdeal_ = rig.ideal;
    cameraActual_ = rig.actual;
    heading_ = rig.heading;
    cameraDistance_ = rig.distance;
    cameraPitch_ = rig.pitch;
    cameraYaw_ = rig.yaw;
    lookPitch_ = rig.lookPitch;
    lookYaw_ = rig.lookYaw;
}

bool Demo::PutCharacter(int room, const Vector3& world, float heading) {
    GraphNode* target = room > 0 && room < static_cast<int>(nodes_.size()) ? Node(room) : nullptr;
    GraphNode* character = Node(kCharacterNode);
    GraphNode* eye = Node(kOrbitCameraNode);
    if (!ready_ || !target || !character || !eye) return false;
    Vector3 origin, tip;
    if (!target->AddChild(character) || !target->AddChild(eye) ||
        !target->WorldToLocal(position_, world) || !target->WorldToLocal(origin, {0, 0, 0}) ||
        !target->WorldToLocal(tip, Forward(heading)))
        return false;
    pivot_ = position_;
    heading_ = cameraYaw_ = Wrap(std::atan2(tip.x - origin.x, tip.z - origin.z));
    lookPitch_ = lookYaw_ = 0;
    PlaceCharacter();
    character->ClearLinks();
    PlaceCamera();
    cameraActual_ = cameraIdeal_;
    PlaceCamera();
    AimCamera();
    return true;
}

void Demo::PlaceCharacter() {
    const Vector3 forward = Forward(heading_);
    GraphNode* character = Node(kCharacterNode);
    character->SetPosition(position_, RelativeTo::Local());
    character->SetOrientation(forward, {0, 1, 0}, RelativeTo::Local());
}

uint8_t Demo::HandleInput() {
    ReadToggles();
    const Rig start = SaveRig();
    notMoved_ = 1;
    status_.blocked = 0;
    lookMode_ = Held(Key::Numpad0) ? 1 : 0;
    if (!lookMode_) lookPitch_ = lookYaw_ = 0;
    // Gravity probe: a character with nothing under it falls and cannot steer.
    position_.y += 0.2f;
    PlaceCharacter();
    status_.characterCollision = 0;
    const int room = CharacterRoom();
    if (!collide_ || room == kTerrainRoom || TestCharacterCollision()) {
        RestoreRig(start);
        PlaceCharacter();
        bool moved = false;
        SteerCharacter(moved);
        const uint32_t advance = moved ? now_ - last_ : 0;
        AnimationSet* run = models_[0].Get();
        if (moved && run) {
            animationTime_ += advance;
            run->SaveState();
            run->UpdateAnimation(animationTime_);
            Node(kCharacterNode)->UpdateBounds(true);
        }
        // Step-up: a step of 0.2 is climbed, anything higher blocks.
        if (collide_ && TestCharacterCollision()) {
            position_.y -= 0.2f;
            PlaceCharacter();
            if (TestCharacterCollision()) {
                RestoreRig(start);
                status_.characterCollision = 1;
                status_.blocked = moved ? 1 : 0;
                PlaceCharacter();
                if (moved) {
                    animationTime_ -= advance;
                    if (run) {
                        run->RestoreState();
                        Node(kCharacterNode)->UpdateBounds(true);
                    }
                }
                notMoved_ = 1;
            }
        }
    }
    UpdateParticles();
    pivot_ = position_;
    ChaseCamera();
    AimCamera();
    if (Held(Key::F5)) animationPeriod_ = static_cast<uint32_t>(animationPeriod_ * 1.25);
    if (Held(Key::F6)) animationPeriod_ = static_cast<uint32_t>(animationPeriod_ * 0.8);
    animationPeriod_ = std::clamp<uint32_t>(animationPeriod_, 100, 10000);
    if (models_[0]) models_[0]->SetPeriod(animationPeriod_);
    frameTime_ = now_ - last_;
    last_ = now_;
    FollowTerrain(CharacterRoom());
    return 1;
}

void Demo::SteerCharacter(bool& moved) {
    const float elapsed = static_cast<float>(now_ - last_);
    const float rate = std::min(elapsed * 0.0030543262f, 0.3f);
    const float stride = std::min(elapsed * 0.004f, 0.4f);
    const Vector3 forward = Forward(heading_);
    if (Held(Key::Left)) {
        if (lookMode_) {
            lookYaw_ = std::max(lookYaw_ - rate, -kLookLimit);
        } else {
            heading_ -= rate;
            cameraYaw_ -= rate;
        }
    }
    if (Held(Key::Right)) {
        if (lookMode_) {
            lookYaw_ = std::min(lookYaw_ + rate, kLookLimit);
        } else {
            heading_ += rate;
            cameraYaw_ += rate;
        }
    }
    heading_ = Wrap(heading_);
    cameraYaw_ = Wrap(cameraYaw_);
    AnimationSet* run = models_[0].Get();
    if (Held(Key::Up)) {
        if (lookMode_) {
            lookPitch_ = std::max(lookPitch_ - rate, -kLookLimit - cameraPitch_);
        } else {
            position_ += forward * stride;
            notMoved_ = 0;
            moved = true;
            if (run) run->SetPlayMode(0);
        }
    }
    if (Held(Key::Down)) {
        if (lookMode_) {
            lookPitch_ = std::min(lookPitch_ + rate, kLookLimit - cameraPitch_);
        } else {
            position_ -= forward * stride;
            notMoved_ = 0;
            moved = true;
            if (run) run->SetPlayMode(1);
        }
    }
    PlaceCharacter();
}

void Demo::UpdateParticles() {
    if (pause_) return;
    for (Handle<ParticleSyst>& system : particles_) {
        if (!system) continue;
        if (firstFrame_) system->SetStartTime(now_);
        system->Update(now_);
    }
    firstFrame_ = false;
}

void Demo::FollowTerrain(int room) {
    if (room != kTerrainRoom || !terrain_) return;
    GraphNode* character = Node(kCharacterNode);
    Vector3 world;
    float height = 0;
    if (!character->GetWorldPosition(world) || !terrain_->HeightAt(world, height)) return;
    world.y = height - 1.0f;
    character->SetPosition(world, RelativeTo::World());
    character->GetPosition(position_, RelativeTo::Local());
}

// --- camera ---

void Demo::PlaceCamera() {
    const float p = std::clamp(cameraPitch_ + lookPitch_, -kLookLimit, kLookLimit);
    const float y = cameraYaw_ + lookYaw_;
    // Pitched up by p, then turned by y about the vertical axis (y points down).
    const Vector3 direction{std::sin(y) * std::cos(p), std::sin(p), std::cos(y) * std::cos(p)};
    cameraIdeal_ = pivot_ - direction * cameraDistance_;
    GraphNode* eye = Node(kOrbitCameraNode);
    GraphNode* character = Node(kCharacterNode);
    if (!eye || !character || !character->parent) return;
    // The camera node stands in the character's room frame.
    Vector3 world;
    if (character->parent->LocalToWorld(world, cameraActual_))
        eye->SetPosition(world, RelativeTo::World());
}

void Demo::ChaseCamera() {
    const Vector3 actualBefore = cameraActual_;
    PlaceCamera();
    const Vector3 delta = cameraIdeal_ - cameraActual_;
    if (LengthSquared(delta) == 0) return;
    const float speed = Length(delta) > cameraDistance_ ? 0.004f : 0.003f;
    const float step = std::min(static_cast<float>(now_ - last_) * speed, 0.4f);
    cameraActual_ += Unit(delta) * step;
    if (Dot(cameraIdeal_ - cameraActual_, delta) < 0) cameraActual_ = cameraIdeal_;
    PlaceCamera();
    if (collide_ && LengthSquared(cameraActual_ - actualBefore) > 0)
        CollideCamera(actualBefore, cameraActual_ - actualBefore);
}

void Demo::CollideCamera(const Vector3& actualBefore, const Vector3& step) {
    GraphNode* eye = Node(kOrbitCameraNode);
    GraphNode* room = Node(kCharacterNode)->parent;
    bool colliding = false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        status_.cameraCollision = status_.cameraPortalCollision = status_.cameraTraversed = 0;
        const int32_t answer = Collide(eye, 0);
        status_.cameraCollision = answer == kHitObject;
        status_.cameraPortalCollision = answer == kTouchPortal;
        status_.cameraTraversed = answer == kCrossedPortal;
        colliding = answer == kHitObject;
        if (!colliding) break;
        // The wall's normal in the room's frame.
        Vector3 n = LastHitNormal(), origin{0, 0, 0}, tip = LastHitNormal();
        if (room && room->WorldToLocal(origin, {0, 0, 0}) && room->WorldToLocal(tip, n))
            n = tip - origin;
        if (Dot(step, n) > 0) {
            cameraActual_ += n * 0.1f;
        } else {
            // Slide: keep the part of the step along the wall.
            const Vector3 along = step - n * Dot(step, n);
            cameraActual_ = actualBefore + along;
            if (Dot(cameraIdeal_ - cameraActual_, along) < 0) cameraActual_ = cameraIdeal_;
        }
        PlaceCamera();
    }
    if (colliding) {
        cameraActual_ = actualBefore;
        PlaceCamera();
    }
}

void Demo::AimCamera() {
    GraphNode* eye = Node(kOrbitCameraNode);
    GraphNode* character = Node(kCharacterNode);
    if (!eye || !character || !character->parent) return;
    Vector3 target = Unit(pivot_ - cameraActual_);
    if (LengthSquared(target) == 0) return;
    Vector3 forward, up;
    if (smoothedCamera_ && eye->GetOrientation(forward, up, RelativeTo::World())) {
        Vector3 origin{0, 0, 0}, tip;
        // The current forward in the room's frame, where the target is.
        if (character->parent->WorldToLocal(origin, {0, 0, 0}) &&
            character->parent->WorldToLocal(tip, forward))
            forward = Unit(tip - origin);
        const float polarNow = std::acos(std::clamp(forward.y, -1.0f, 1.0f));
        const float polarWanted = std::acos(std::clamp(target.y, -1.0f, 1.0f));
        const float limit = static_cast<float>(frameTime_) * 0.0005288877f;
        if (std::fabs(polarWanted - polarNow) > limit) {
            const float polar = polarNow + (polarWanted > polarNow ? limit : -limit);
            const float azimuth = std::atan2(target.z, target.x);
            target = {std::sin(polar) * std::cos(azimuth), std::cos(polar),
                      std::sin(polar) * std::sin(azimuth)};
        }
    }
    Vector3 worldTarget, origin;
    if (!character->parent->LocalToWorld(worldTarget, target) ||
        !character->parent->LocalToWorld(origin, {0, 0, 0}))
        return;
    const Vector3 direction = Unit(worldTarget - origin);
    eye->SetOrientation(direction, UpFor(direction), RelativeTo::World());
}

// --- collision ---

uint8_t Demo::TestCharacterCollision() {
    GraphNode* character = Node(kCharacterNode);
    GraphNode* room = character->parent;
    if (!room) return 0;
    // The character may change rooms: the rig is carried in world coordinates.
    Vector3 pivot, ideal, actual;
    room->LocalToWorld(pivot, pivot_);
    room->LocalToWorld(ideal, cameraIdeal_);
    room->LocalToWorld(actual, cameraActual_);
    status_.characterPortalCollision = status_.characterTraversed = 0;
    const int32_t answer = Collide(character, 1);
    status_.characterCollision = answer == kHitObject ? 1 : status_.characterCollision;
    status_.characterPortalCollision = answer == kTouchPortal;
    status_.characterTraversed = answer == kCrossedPortal;
    if (answer == kCrossedPortal && character->parent) {
        room = character->parent;
        character->GetPosition(position_, RelativeTo::Local());
        Vector3 forward, up;
        if (character->GetOrientation(forward, up, RelativeTo::Local())) {
            const float heading = std::atan2(forward.x, forward.z);
            cameraYaw_ = Wrap(heading + cameraYaw_ - heading_);
            heading_ = Wrap(heading);
        }
        room->WorldToLocal(pivot_, pivot);
        room->WorldToLocal(cameraIdeal_, ideal);
        room->WorldToLocal(cameraActual_, actual);
    }
    if (answer == kHitObject) return 1;
    character->ClearLinks();
    uint8_t once = 0;
    character->Enumerate(EnumerateSetDrawOnce, GraphNode::kEnumerateObjects, &once, true);
    GraphPortal* portal = LastPortal();
    if ((answer == kTouchPortal || answer == kCrossedPortal) && portal) {
        // Seen from the room on the other side too, but drawn once a pass.
        GraphNode* other = nullptr;
        if (answer == kCrossedPortal) {
            other = portal->parent;
        } else if (!portal->portals.empty() && portal->portals[0]) {
            other = portal->portals[0]->parent;
        }
        if (other && other != character->parent) {
            character->LinkTo(other);
            once = 1;
            character->Enumerate(EnumerateSetDrawOnce, GraphNode::kEnumerateObjects, &once, true);
        }
    }
    return 0;
}

}  // namespace vimsa
