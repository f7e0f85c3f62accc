#pragma once

#include <vector>

#include "scene/node_frame.h"

namespace vimsa::testing {

// A NodeFrame with its own parent and child links, standing in for scene
// nodes in tests and benchmarks of the placement code.
class TestFrame : public NodeFrame {
public:
    TestFrame() = default;
    explicit TestFrame(TestFrame* parent) { AttachTo(parent); }
    TestFrame(const TestFrame&) = delete;
    TestFrame& operator=(const TestFrame&) = delete;

    void AttachTo(TestFrame* parent) {
        parent_ = parent;
        if (parent) parent->children_.push_back(this);
        InvalidateWorld();
    }

    NodeFrame* ParentFrame() override { return parent_; }
    NodeFrame* FirstChildFrame() override {
        cursor_ = 0;
        return NextChildFrame();
    }
    NodeFrame* NextChildFrame() override {
        return cursor_ < children_.size() ? children_[cursor_++] : nullptr;
    }

private:
    TestFrame* parent_ = nullptr;
    std::vector<TestFrame*> children_;
    size_t cursor_ = 0;
};

}  // namespace vimsa::testing
