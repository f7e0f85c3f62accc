#include "scene/node_frame.h"

namespace vimsa {
namespace {

constexpr Transform::Item kOrientation[] = {Transform::Item::Direction, Transform::Item::Up};
constexpr Transform::Item kAllItems[] = {Transform::Item::Position, Transform::Item::Direction,
                                         Transform::Item::Up};

// Positions are points; direction and up are mapped without translation.
Vector3 MapItem(const Matrix4& m, Transform::Item item, Vector3 v) {
    return item == Transform::Item::Position ? TransformPoint3(m, v) : RotateVector(m, v);
}

}  // namespace

void NodeFrame::InvalidateChildPositions() {
    for (NodeFrame* child = FirstChildFrame(); child; child = NextChildFrame()) {
        child->world.positionValid = 0;
        child->world.InvalidateMatrices();
        child->InvalidateChildPositions();
    }
}

void NodeFrame::InvalidateChildOrientations() {
    for (NodeFrame* child = FirstChildFrame(); child; child = NextChildFrame()) {
        child->world.InvalidateAll();
        child->InvalidateChildOrientations();
    }
}

void NodeFrame::InvalidateWorld() {
    world.InvalidateAll();
}

bool NodeFrame::DeriveWorld(Item item) {
    Vector3 unused;
    if (world.Get(item, unused)) return true;
    Vector3 source;
    // A local item that is neither valid nor derivable is used as stored.
    if (!local.Get(item, source)) {
        source = local.Value(item);
    }
    Vector3 result = source;
    if (NodeFrame* parent = ParentFrame()) {
        const Matrix4* parentWorld = parent->GetWorldMatrix();
        if (!parentWorld) return false;
        result = MapItem(*parentWorld, item, source);
    }
    world.Store(item, result);
    return true;
}

bool NodeFrame::DeriveLocal(Item item) {
    Vector3 value;
    if (local.Get(item, value)) return true;
    if (!world.Get(item, value)) {
        // Neither side is known: the stored local value stands.
        local.Store(item, local.Value(item));
        return true;
    }
    if (NodeFrame* parent = ParentFrame()) {
        const Matrix4* parentInverse = parent->GetWorldInverse();
        if (!parentInverse) return false;
        value = MapItem(*parentInverse, item, value);
    }
    local.Store(item, value);
    return true;
}

void NodeFrame::SettleLocal() {
    for (Item item : kAllItems) {
        if (!local.IsValid(item) && !local.matrixValid) DeriveLocal(item);
    }
}

void NodeFrame::SettleDescendants() {
    for (NodeFrame* child = FirstChildFrame(); child; child = NextChildFrame()) {
        child->SettleLocal();
        child->SettleDescendants();
    }
}

bool NodeFrame::Place(Item item, Vector3 value, RelativeTo relative) {
    const bool hasParent = ParentFrame() != nullptr;
    switch (relative.kind) {
        case RelativeTo::Kind::Local:
            local.Store(item, value);
            if (!hasParent) world.Store(item, value);
            return true;
        case RelativeTo::Kind::Frame: {
            const Matrix4* frameWorld = relative.frame->GetWorldMatrix();
            if (!frameWorld) return false;
            value = MapItem(*frameWorld, item, value);
            break;
        }
        case RelativeTo::Kind::World:
            break;
    }
    world.Store(item, value);
    if (!hasParent) local.Store(item, value);
    return true;
}

bool NodeFrame::SetPosition(Vector3 p, RelativeTo relative) {
    SettleDescendants();
    local.Invalidate(Item::Position);
    local.InvalidateMatrices();
    world.Invalidate(Item::Position);
    world.InvalidateMatrices();
    if (!Place(Item::Position, p, relative)) return false;
    InvalidateChildPositions();
    return true;
}

bool NodeFrame::SetOrientation(Vector3 direction, Vector3 up, RelativeTo relative) {
    SettleDescendants();
    for (Item item : kOrientation) {
        local.Invalidate(item);
        world.Invalidate(item);
    }
    local.InvalidateMatrices();
    world.InvalidateMatrices();
    if (!Place(Item::Direction, direction, relative)) return false;
    if (!Place(Item::Up, up, relative)) return false;
    InvalidateChildOrientations();
    return true;
}

bool NodeFrame::GetPosition(Vector3& out, RelativeTo relative) {
    switch (relative.kind) {
        case RelativeTo::Kind::Local:
            if (!DeriveLocal(Item::Position)) return false;
            out = local.position;
            return true;
        case RelativeTo::Kind::World:
            if (!DeriveWorld(Item::Position)) return false;
            out = world.position;
            return true;
        case RelativeTo::Kind::Frame: {
            const Matrix4* frameInverse = relative.frame->GetWorldInverse();
            if (!frameInverse || !DeriveWorld(Item::Position)) return false;
            out = TransformPoint3(*frameInverse, world.position);
            return true;
        }
    }
    return false;
}

bool NodeFrame::GetOrientation(Vector3& outDirection, Vector3& outUp, RelativeTo relative) {
    switch (relative.kind) {
        case RelativeTo::Kind::Local:
            if (!DeriveLocal(Item::Direction) || !DeriveLocal(Item::Up)) return false;
            outDirection = local.direction;
            outUp = local.up;
            return true;
        case RelativeTo::Kind::World:
            if (!DeriveWorld(Item::Direction) || !DeriveWorld(Item::Up)) return false;
            outDirection = world.direction;
            outUp = world.up;
            return true;
        case RelativeTo::Kind::Frame: {
            const Matrix4* frameInverse = relative.frame->GetWorldInverse();
            if (!frameInverse || !DeriveWorld(Item::Direction) || !DeriveWorld(Item::Up))
                return false;
            outDirection = RotateVector(*frameInverse, world.direction);
            outUp = RotateVector(*frameInverse, world.up);
            return true;
        }
    }
    return false;
}

bool NodeFrame::LocalToWorld(Vector3& out, Vector3 p) {
    const Matrix4* m = GetWorldMatrix();
    if (!m) return false;
    out = TransformPoint3(*m, p);
    return true;
}

bool NodeFrame::WorldToLocal(Vector3& out, Vector3 p) {
    const Matrix4* m = GetWorldInverse();
    if (!m) return false;
    out = TransformPoint3(*m, p);
    return true;
}

const Matrix4* NodeFrame::GetWorldMatrix() {
    if (world.matrixValid) return &world.matrix;
    for (Item item : kAllItems) {
        if (!DeriveWorld(item)) return nullptr;
    }
    return world.GetMatrix();
}

const Matrix4* NodeFrame::GetWorldTransposed() {
    if (!world.transposedValid && !GetWorldMatrix()) return nullptr;
    return world.GetTransposed();
}

const Matrix4* NodeFrame::GetWorldInverse() {
    if (!world.inverseValid && !GetWorldMatrix()) return nullptr;
    return world.GetInverse();
}

const Matrix4* NodeFrame::GetLocalMatrix() {
    if (local.matrixValid) return &local.matrix;
    for (Item item : kAllItems) {
        if (!DeriveLocal(item)) return nullptr;
    }
    return local.GetMatrix();
}

const Matrix4* NodeFrame::GetLocalTransposed() {
    if (!local.transposedValid && !GetLocalMatrix()) return nullptr;
    return local.GetTransposed();
}

const Matrix4* NodeFrame::GetLocalInverse() {
    if (!local.inverseValid && !GetLocalMatrix()) return nullptr;
    return local.GetInverse();
}

}  // namespace vimsa
