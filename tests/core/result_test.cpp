#include "core/result.h"

#include <gtest/gtest.h>

#include <string>

namespace vimsa {
namespace {

TEST(ResultTest, FailureHasTopBitSet) {
    EXPECT_TRUE(Succeeded(RESULT_OK));
    EXPECT_TRUE(Failed(ERR_FAIL));
    EXPECT_TRUE(Failed(ERR_BAD_VERSION));
    EXPECT_TRUE(Failed(ERR_D3D_BACK_BUFFER_DESC));
    EXPECT_EQ(static_cast<uint32_t>(ERR_NULL_ARGUMENT), 0x80000008u);
    EXPECT_EQ(static_cast<uint32_t>(ERR_TEXTURE_NO_READER), 0x81050403u);
    EXPECT_EQ(DrawStepError(6), MakeResult(0x81080206u));
}

TEST(ResultTest, EveryCodeHasNameAndMeaning) {
    const Result known[] = {RESULT_OK,
                            ERR_FAIL,
                            ERR_BAD_VERSION,
                            ERR_SOUND_STOP,
                            ERR_MODULE_NOT_VALIDATED,
                            ERR_CATALOG_BAD_RECORD,
                            ERR_SERIAL_NOT_SMALLER,
                            ERR_TEXT_NO_FONT,
                            ERR_TEXTURE_NO_DEVICE,
                            ERR_GL_TEXTURE_NOT_LOADED,
                            DrawStepError(3),
                            ERR_IMPORT_CONVERT,
                            ERR_DEMO_TERRAIN,
                            ERR_VOLUME_NO_TEST,
                            ERR_MEDIA_NOTHING_OPEN,
                            ERR_D3D_BACK_BUFFER_DESC};
    for (Result code : known) {
        ASSERT_NE(ResultName(code), nullptr) << std::hex << code;
        EXPECT_STRNE(ResultText(code), "unknown result code") << ResultName(code);
    }
    EXPECT_STREQ(ResultName(ERR_FILE_OPEN), "ERR_FILE_OPEN");
    EXPECT_STREQ(ResultText(ERR_TEXTURE_SHOTS_FULL), "1000 screenshots exist");
}

TEST(ResultTest, UnlistedCodesAreUnknown) {
    EXPECT_EQ(ResultName(MakeResult(0x8000000Eu)), nullptr);
    EXPECT_EQ(ResultName(MakeResult(0x81020109u)), nullptr);
    EXPECT_EQ(ResultName(MakeResult(0x810E0106u)), nullptr);  // a gap in the table
    EXPECT_STREQ(ResultText(MakeResult(0x81050200u)), "unknown result code");
}

}  // namespace
}  // namespace vimsa
