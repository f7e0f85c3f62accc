#pragma once

#include "core/result.h"
#include "io/serializer.h"

namespace vimsa {

class NodeFrame;

// The "REPE" record: a node's local position, direction and up vector.
class NodeFrameSerializer : public Serializer {
public:
    explicit NodeFrameSerializer(NodeFrame* target) : target_(target) {}

    Result Load() override;
    Result Save() override;

private:
    NodeFrame* target_;
};

}  // namespace vimsa
