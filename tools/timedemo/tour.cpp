#include "tools/timedemo/tour.h"

#include <cmath>
#include <cstdio>

#include "demo/demo.h"

namespace vimsa::timedemo {
namespace {

using input::Key;
using Step = Tour::Step;

constexpr float kPi = 3.14159265f;

// A place that takes longer than this to reach is given up.
constexpr uint32_t kPatience = 300;

Step GoTo(float x, float z, uint32_t giveUp = kPatience, const char* note = "") {
    return {Step::GoTo, {x, 0, z}, giveUp, {}, note};
}
Step Wait(uint32_t frames, const char* note = "") {
    return {Step::Wait, {}, frames, {}, note};
}
Step Press(std::vector<Key> keys, const char* note = "") {
    return {Step::Press, {}, 1, std::move(keys), note};
}
Step Hold(std::vector<Key> keys, uint32_t frames, const char* note = "") {
    return {Step::Hold, {}, frames, std::move(keys), note};
}

std::string PlaceName(const Step& step) {
    if (!step.note.empty()) return step.note;
    char name[48];
    std::snprintf(name, sizeof name, "(%.1f, %.1f)", step.place.x, step.place.z);
    return name;
}

}  // namespace

Tour::Tour()
    : steps_{Press({Key::F1}, "help"), Wait(2), Press({Key::F12}, "the start room with help"),
             Press({Key::F1}), Press({Key::S}, "statistics"), Wait(2),
             Press({Key::F12}, "statistics"), Press({Key::S}),
             // Door 1 opens as the character comes near it.
             GoTo(0, 0), GoTo(4.2f, 0), Wait(45, "door 1 opening"),
             Press({Key::F12}, "door 1 open"), GoTo(9, 0, kPatience, "the east wing"),
             GoTo(14.5f, 0), GoTo(20, 0, kPatience, "out onto the terrain"), GoTo(23, 3),
             Press({Key::F12}, "the terrain"),
             Press({Key::W, Key::B}, "wire frame and bounding boxes"), Wait(3), Press({Key::F12}),
             Press({Key::W, Key::B}), Press({Key::Pause}, "pause"), Wait(10), Press({Key::Pause}),
             Press({Key::P, Key::M, Key::D}, "portal culling, mirrors and detail off"), Wait(5),
             Press({Key::P, Key::M, Key::D}),
             // Back in, the gallery with its fixed camera, the court and the alcove.
             GoTo(15, 0), GoTo(13, 3.2f), GoTo(13, 8, kPatience, "the gallery"), Wait(5),
             Press({Key::F12}, "the gallery's camera"), GoTo(8, 10),
             GoTo(4, 10, kPatience, "the court"), GoTo(-3.2f, 8.5f),
             Press({Key::F12}, "the fountain"), GoTo(-3.2f, 14.5f), GoTo(0, 15),
             GoTo(0, 18.5f, kPatience, "the alcove"), GoTo(0, 15), GoTo(-3.2f, 14.2f),
             GoTo(-3.2f, 8), GoTo(0, 7.5f), GoTo(0, 3, kPatience, "the hall again"),
             // The mirror gallery, with a look round and the camera keys.
             GoTo(-4, 0), GoTo(-9, 0, kPatience, "the mirror gallery"), GoTo(-11.4f, 0),
             Hold({Key::Down}, 6), Wait(20), Press({Key::F12}, "in front of the mirror"),
             Hold({Key::Numpad0, Key::Left}, 8, "look mode"),
             Hold({Key::PageUp}, 30, "camera pitch"), Hold({Key::Numpad2}, 8, "camera distance"),
             Hold({Key::Numpad4}, 10, "camera yaw"), Press({Key::F12}), Hold({Key::PageDown}, 20),
             Hold({Key::Numpad8}, 8), Hold({Key::Numpad6}, 10),
             // The west corridor, the cat room and its camera.
             GoTo(-8, -2.4f), GoTo(-8, -6, kPatience, "the west corridor"), GoTo(-8, -18),
             GoTo(-3, -18, kPatience, "the cat room"), Wait(5),
             Press({Key::F12}, "the cat room's camera"), GoTo(0, -17.2f),
             GoTo(0, -15, kPatience, "the south wing"),
             // A step of 0.2 is climbed, the higher one blocks.
             GoTo(0, -13.8f), GoTo(3.2f, -13.8f, kPatience, "up the low step"), GoTo(3.2f, -11),
             GoTo(0, -13.8f), GoTo(-3.2f, -13.8f, 40, "against the high step"),
             // Past the column to door 2 and back to the hall.
             GoTo(-2, -11), GoTo(-2, -8), GoTo(0, -7), Wait(45, "door 2 opening"),
             GoTo(0, -3, kPatience, "home"), Press({Key::F5}), Press({Key::F6}),
             Press({Key::F12}, "home again")} {}

void Tour::Release(input::KeyTable& keys) {
    for (Key key : down_)
        keys.KeyUp(key);
    down_.clear();
}

// Turns towards the place, walking once the heading is near; true there.
bool Tour::Steer(const Demo& demo, const Step& step, input::KeyTable& keys) {
    const GraphNode* character = demo.Node(Demo::kCharacterNode);
    Vector3 at, forward, up;
    if (!const_cast<GraphNode*>(character)->GetWorldPosition(at) ||
        !const_cast<GraphNode*>(character)->GetOrientation(forward, up, RelativeTo::World()))
        return true;
    const float dx = step.place.x - at.x, dz = step.place.z - at.z;
    if (dx * dx + dz * dz < 0.3f * 0.3f) return true;
    float turn = std::atan2(dx, dz) - std::atan2(forward.x, forward.z);
    while (turn > kPi)
        turn -= 2 * kPi;
    while (turn < -kPi)
        turn += 2 * kPi;
    if (turn > 0.06f) down_.push_back(Key::Right);
    if (turn < -0.06f) down_.push_back(Key::Left);
    if (std::fabs(turn) < 0.35f) down_.push_back(Key::Up);
    for (Key key : down_)
        keys.KeyDown(key);
    return false;
}

bool Tour::Drive(const Demo& demo, input::KeyTable& keys) {
    Release(keys);
    while (index_ < steps_.size()) {
        const Step& step = steps_[index_];
        switch (step.kind) {
            case Step::GoTo:
                if (!Steer(demo, step, keys)) {
                    if (!step.frames || ++frame_ < step.frames) return true;
                    Release(keys);  // out of reach: given up
                    givenUp_.push_back(PlaceName(step));
                }
                break;
            case Step::Wait:
                if (frame_++ < step.frames) return true;
                break;
            case Step::Press:
                for (Key key : step.keys) {
                    keys.KeyDown(key);
                    keys.KeyUp(key);
                }
                ++index_;
                frame_ = 0;
                return true;
            case Step::Hold:
                if (frame_++ < step.frames) {
                    for (Key key : step.keys) {
                        keys.KeyDown(key);
                        down_.push_back(key);
                    }
                    return true;
                }
                break;
        }
        ++index_;
        frame_ = 0;
    }
    return false;
}

}  // namespace vimsa::timedemo
