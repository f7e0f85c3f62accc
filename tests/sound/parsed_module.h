#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"

namespace vimsa::test {

// A module of kind M made from file bytes, expected to validate and parse.
template <typename M>
Handle<M> Parsed(const std::vector<uint8_t>& file) {
    Handle<M> m = MakeHandle<M>();
    EXPECT_EQ(m->SetData(file), RESULT_OK);
    EXPECT_EQ(m->Validate(), RESULT_OK);
    EXPECT_EQ(m->Parse(), RESULT_OK);
    return m;
}

}  // namespace vimsa::test
