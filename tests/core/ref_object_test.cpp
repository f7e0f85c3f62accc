#include "core/ref_object.h"

#include <gtest/gtest.h>

namespace vimsa {
namespace {

// Counts destructions so the tests can see exactly when an object dies.
struct Probe : RefObject {
    explicit Probe(int* deaths) : deaths(deaths) {}
    ~Probe() override { ++*deaths; }
    int* deaths;
};

// Owns another probe through a handle, like a node owns its children.
struct Owner : RefObject {
    Handle<Probe> child;
};

TEST(RefObjectTest, NewObjectStartsAtZeroAndDiesWithItsLastHandle) {
    int deaths = 0;
    auto* p = new Probe(&deaths);
    EXPECT_EQ(p->refcount, 0);
    EXPECT_EQ(p->flag, 1);
    {
        Handle<Probe> h(p);
        EXPECT_EQ(p->refcount, 1);
        Handle<Probe> copy = h;
        EXPECT_EQ(p->refcount, 2);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(RefObjectTest, ReleaseReturnsNewCount) {
    int deaths = 0;
    auto* p = new Probe(&deaths);
    p->AddRef();
    p->AddRef();
    EXPECT_EQ(p->Release(), 1);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(p->Release(), 0);
    EXPECT_EQ(deaths, 1);
}

TEST(RefObjectTest, ObjectNotOwnedByCountSurvivesZero) {
    int deaths = 0;
    Probe p(&deaths);  // storage owned by this scope
    p.flag = 0;
    { Handle<Probe> h(&p); }
    EXPECT_EQ(p.refcount, 0);
    EXPECT_EQ(deaths, 0);
}

TEST(RefObjectTest, SelfAssignmentKeepsCountAndObject) {
    int deaths = 0;
    Handle<Probe> h(new Probe(&deaths));
    Handle<Probe>& alias = h;
    h = alias;
    EXPECT_EQ(h->refcount, 1);
    h = h.Get();
    EXPECT_EQ(h->refcount, 1);
    EXPECT_EQ(deaths, 0);
}

TEST(RefObjectTest, AssignmentReleasesOldAndAddsNew) {
    int deaths = 0;
    Handle<Probe> a(new Probe(&deaths));
    Handle<Probe> b(new Probe(&deaths));
    Probe* second = b.Get();
    a = b;
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(second->refcount, 2);
    a = nullptr;
    EXPECT_EQ(second->refcount, 1);
}

TEST(RefObjectTest, AssigningObjectOwnedByTheOldOneKeepsItAlive) {
    // The new object's only reference is held by the old one: the handle must
    // take its reference before releasing the old object (and with it the child).
    int deaths = 0;
    auto* owner = new Owner;
    owner->child = new Probe(&deaths);
    Probe* child = owner->child.Get();
    Handle<RefObject> slot(owner);
    slot = child;
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(child->refcount, 1);
    slot.Reset();
    EXPECT_EQ(deaths, 1);
}

TEST(RefObjectTest, MoveTransfersWithoutCounting) {
    int deaths = 0;
    Handle<Probe> a(new Probe(&deaths));
    Handle<Probe> b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b->refcount, 1);
    Handle<Probe> c;
    c = std::move(b);
    EXPECT_EQ(c->refcount, 1);
    c = std::move(c);
    EXPECT_EQ(c->refcount, 1);
    EXPECT_EQ(deaths, 0);
}

TEST(RefObjectTest, ConvertingHandleShares) {
    int deaths = 0;
    Handle<Probe> p(new Probe(&deaths));
    Handle<RefObject> base = p;
    EXPECT_EQ(p->refcount, 2);
    p.Reset();
    EXPECT_EQ(deaths, 0);
    base.Reset();
    EXPECT_EQ(deaths, 1);
}

TEST(RefObjectTest, KeepAliveDefersDestructionToScopeEnd) {
    int deaths = 0;
    Handle<Probe> h(new Probe(&deaths));
    {
        KeepAlive guard(h.Get());
        h.Reset();  // the last outside reference goes
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(RefObjectTest, CopiedObjectStartsWithoutReferences) {
    int deaths = 0;
    Handle<Probe> h(new Probe(&deaths));
    Handle<Probe> copy(new Probe(*h));
    EXPECT_EQ(copy->refcount, 1);
    EXPECT_EQ(h->refcount, 1);
}

}  // namespace
}  // namespace vimsa
