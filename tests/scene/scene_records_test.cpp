// The chunk records of lights and the pairing of portals read from a file.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/graph_portal.h"
#include "scene/light.h"
#include "scene/light_records.h"
#include "scene/scene_record_context.h"
#include "tests/support/record_bytes.h"

namespace vimsa {
namespace {

using testing::WrittenBytes;

TEST(LightRecordsTest, SpotLightReadsBackWithItsDerivedValuesAndWithoutAlpha) {
    struct Case {
        float storedRange;
        float expectedRange;  // a range of 0 or less leaves the reader's own
    };
    for (const Case& c : {Case{25, 25}, Case{0, 100}, Case{-3, 100}}) {
        SCOPED_TRACE(c.storedRange);
        Handle<SpotLight> spot = MakeHandle<SpotLight>();
        spot->colour = {0.25f, 0.5f, 0.75f, 0.7f};
        spot->range = c.storedRange;
        spot->SetAngles(0.6f, 1.2f);
        const testing::Bytes bytes = WrittenBytes([&](ChunkStream& s) {
            EXPECT_EQ(SpotLightSerializer(spot.Get()).SaveToStream(&s), RESULT_OK);
        });

        Handle<SpotLight> back = MakeHandle<SpotLight>();  // class defaults
        ChunkStream in(bytes);
        ASSERT_EQ(SpotLightSerializer(back.Get()).LoadFromStream(&in), RESULT_OK);
        EXPECT_EQ(back->colour, (Vector4{0.25f, 0.5f, 0.75f, 0}));
        EXPECT_EQ(back->range, c.expectedRange);
        EXPECT_FLOAT_EQ(back->rangeSquared, c.expectedRange * c.expectedRange);
        EXPECT_FLOAT_EQ(back->inverseRange, 1 / c.expectedRange);
        EXPECT_EQ(back->innerAngle, 0.6f);
        EXPECT_EQ(back->outerAngle, 1.2f);
        EXPECT_FLOAT_EQ(back->innerCos, std::cos(0.3f));
        EXPECT_FLOAT_EQ(back->outerCos, std::cos(0.6f));

        // Each kind reads only its own record.
        Handle<PointLight> omni = MakeHandle<PointLight>();
        ChunkStream again(bytes);
        EXPECT_EQ(OmniLightSerializer(omni.Get()).LoadFromStream(&again), ERR_BAD_TAG);
        EXPECT_EQ(omni->range, 100.0f);
    }
}

TEST(PortalPairingTest, TwinsArePairedBothWaysOnceAndNeverWithThemselves) {
    Handle<GraphPortal> p[5];
    for (Handle<GraphPortal>& portal : p)
        portal = MakeHandle<GraphPortal>();
    SceneRecordContext load;
    // identity, twin identity: 1 and 2 name each other, 3 names itself,
    // 4 names a portal that is not in the file, and 5 claims identity 1 again.
    const uint32_t stored[5][2] = {{1, 2}, {2, 1}, {3, 3}, {4, 9}, {1, 0}};
    for (int i = 0; i < 5; ++i) {
        load.PortalRead(p[i].Get(), stored[i][0]);
        load.TwinRead(p[i].Get(), stored[i][1]);
    }
    EXPECT_EQ(load.PairPortals(), 2);
    EXPECT_EQ(p[0]->Twin(), p[1].Get());
    EXPECT_EQ(p[1]->Twin(), p[0].Get());
    EXPECT_EQ(p[0]->portals.size(), 1u);
    EXPECT_EQ(p[1]->portals.size(), 1u);
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(p[i]->Twin(), nullptr) << i;
    p[0]->RemoveAllPortals();
    p[1]->RemoveAllPortals();
}

}  // namespace
}  // namespace vimsa
