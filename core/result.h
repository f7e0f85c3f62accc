#pragma once

#include <cstdint>
#include <iosfwd>

namespace vimsa {

// Result of a fallible engine operation: 0 for success, bit 31 set for
// failure. General codes are 0x80000000..0x8000000D; module codes are
// 0x81MMGGCC (module, group, condition).
//
// A result may not be dropped unseen: check it, pass it on, or discard it on
// purpose with `(void)` and a word on why. It converts to and from the
// signed 32-bit code, so codes compare, switch and travel as plain numbers.
struct [[nodiscard]] Result {
    int32_t code = 0;

    constexpr Result() = default;
    constexpr Result(int32_t value) : code(value) {}     // NOLINT: codes are plain numbers
    constexpr operator int32_t() const { return code; }  // NOLINT
};

constexpr Result MakeResult(uint32_t bits) {
    return Result(static_cast<int32_t>(bits));
}
constexpr bool Failed(Result r) {
    return r < 0;
}
constexpr bool Succeeded(Result r) {
    return r >= 0;
}

// What a code means, for tools and logs. Unknown codes give "unknown result code".
const char* ResultText(Result code);

// Name of the constant for a code ("ERR_FILE_OPEN"), or nullptr when unknown.
const char* ResultName(Result code);

// How test frameworks print a result: its name and code, "ERR_BAD_TAG (0x8000000C)".
void PrintTo(Result code, std::ostream* out);

// clang-format off
constexpr Result RESULT_OK          = 0;
constexpr Result ERR_FAIL           = MakeResult(0x80000000u);
constexpr Result ERR_FILE_OPEN      = MakeResult(0x80000001u);
constexpr Result ERR_FILE_SEEK      = MakeResult(0x80000002u);
constexpr Result ERR_FILE_SIZE      = MakeResult(0x80000003u);
constexpr Result ERR_FILE_READ      = MakeResult(0x80000004u);
constexpr Result ERR_FILE_WRITE     = MakeResult(0x80000005u);
constexpr Result ERR_OUT_OF_RANGE   = MakeResult(0x80000006u);
constexpr Result ERR_NOT_FOUND      = MakeResult(0x80000007u);
constexpr Result ERR_NULL_ARGUMENT  = MakeResult(0x80000008u);
constexpr Result ERR_STREAM_FAILED  = MakeResult(0x80000009u);
constexpr Result ERR_NOT_IMPLEMENTED = MakeResult(0x8000000Au);
constexpr Result ERR_NO_RENDERER    = MakeResult(0x8000000Bu);
constexpr Result ERR_BAD_TAG        = MakeResult(0x8000000Cu);
constexpr Result ERR_BAD_VERSION    = MakeResult(0x8000000Du);

// Sound device (module 02, group 01)
constexpr Result ERR_SOUND_NO_DEVICE        = MakeResult(0x81020100u);
constexpr Result ERR_SOUND_COOPERATIVE      = MakeResult(0x81020101u);
constexpr Result ERR_SOUND_CAPS             = MakeResult(0x81020102u);
constexpr Result ERR_SOUND_BUFFER_CREATE    = MakeResult(0x81020103u);
constexpr Result ERR_SOUND_NO_BUFFER        = MakeResult(0x81020104u);
constexpr Result ERR_SOUND_BUFFER_FORMAT    = MakeResult(0x81020105u);
constexpr Result ERR_SOUND_BUFFER_LOCK      = MakeResult(0x81020106u);
constexpr Result ERR_SOUND_PLAY             = MakeResult(0x81020107u);
constexpr Result ERR_SOUND_STOP             = MakeResult(0x81020108u);
// Module mixer (02/02)
constexpr Result ERR_MIXER_NO_MODULE        = MakeResult(0x81020200u);
constexpr Result ERR_MIXER_NO_VOICES        = MakeResult(0x81020201u);
constexpr Result ERR_MIXER_START            = MakeResult(0x81020202u);
constexpr Result ERR_MIXER_STOP             = MakeResult(0x81020203u);
// Music player (02/03)
constexpr Result ERR_MUSIC_UNSUPPORTED_KIND = MakeResult(0x81020300u);
constexpr Result ERR_MUSIC_TIMER_RESOLUTION = MakeResult(0x81020301u);
constexpr Result ERR_MUSIC_TIMER_START      = MakeResult(0x81020302u);
// Module files (02/04)
constexpr Result ERR_MODULE_SIGNATURE       = MakeResult(0x81020400u);
constexpr Result ERR_MODULE_NO_DATA         = MakeResult(0x81020401u);
constexpr Result ERR_MODULE_NOT_PARSED      = MakeResult(0x81020402u);
constexpr Result ERR_MODULE_ALREADY_PARSED  = MakeResult(0x81020403u);
constexpr Result ERR_MODULE_SONG_END        = MakeResult(0x81020404u);
constexpr Result ERR_MODULE_NO_PLAY_STATE   = MakeResult(0x81020405u);
constexpr Result ERR_MODULE_NOT_VALIDATED   = MakeResult(0x81020406u);
// Catalog databases (03/01)
constexpr Result ERR_CATALOG_BAD_RECORD     = MakeResult(0x81030100u);
// Serializers (03/02)
constexpr Result ERR_SERIAL_NO_STREAM       = MakeResult(0x81030200u);
constexpr Result ERR_SERIAL_NO_NAME_FOR_ID  = MakeResult(0x81030201u);
constexpr Result ERR_SERIAL_NO_NAME         = MakeResult(0x81030202u);
constexpr Result ERR_SERIAL_NO_ID           = MakeResult(0x81030203u);
constexpr Result ERR_SERIAL_SHORT_READ      = MakeResult(0x81030206u);
constexpr Result ERR_SERIAL_NOT_SMALLER     = MakeResult(0x81030208u);
// Font and text polygons (05/01)
constexpr Result ERR_FONT_NO_RENDERER       = MakeResult(0x81050100u);
constexpr Result ERR_FONT_NO_TEXTURE        = MakeResult(0x81050101u);
constexpr Result ERR_FONT_BAD_CHARACTER     = MakeResult(0x81050102u);
constexpr Result ERR_FONT_NOT_LOADED        = MakeResult(0x81050103u);
constexpr Result ERR_TEXT_NO_FONT           = MakeResult(0x81050104u);
// Image files (05/03)
constexpr Result ERR_IMAGE_UNREADABLE       = MakeResult(0x81050300u);
constexpr Result ERR_IMAGE_SHORT_HEADER     = MakeResult(0x81050301u);
constexpr Result ERR_IMAGE_DEPTH            = MakeResult(0x81050302u);
constexpr Result ERR_IMAGE_CORRUPT          = MakeResult(0x81050303u);
constexpr Result ERR_IMAGE_NO_PIXELS        = MakeResult(0x81050304u);
constexpr Result ERR_IMAGE_WRITE_TYPE       = MakeResult(0x81050305u);
constexpr Result ERR_IMAGE_WRITE_NO_TEXTURE = MakeResult(0x81050306u);
constexpr Result ERR_IMAGE_WRITE_FAILED     = MakeResult(0x81050307u);
constexpr Result ERR_IMAGE_WRITE_NO_PATH    = MakeResult(0x81050308u);
// Textures (05/04)
constexpr Result ERR_TEXTURE_FORMAT         = MakeResult(0x81050400u);
constexpr Result ERR_TEXTURE_NO_PIXELS      = MakeResult(0x81050401u);
constexpr Result ERR_TEXTURE_FILE_KIND      = MakeResult(0x81050402u);
constexpr Result ERR_TEXTURE_NO_READER      = MakeResult(0x81050403u);
constexpr Result ERR_TEXTURE_SHOTS_FULL     = MakeResult(0x81050404u);
constexpr Result ERR_TEXTURE_SAVE_BITS      = MakeResult(0x81050405u);
constexpr Result ERR_TEXTURE_NO_DEVICE      = MakeResult(0x81050406u);
// OpenGL renderer (07/01)
constexpr Result ERR_GL_INIT                = MakeResult(0x81070100u);
constexpr Result ERR_GL_TEXTURE             = MakeResult(0x81070101u);
constexpr Result ERR_GL_TEXTURE_NO_PIXELS   = MakeResult(0x81070102u);
constexpr Result ERR_GL_TEXTURE_NOT_LOADED  = MakeResult(0x81070103u);
// Meshes and renderable objects (08/01..08/04)
constexpr Result ERR_MESH_ALLOCATE          = MakeResult(0x81080100u);
constexpr Result ERR_MESH_MISSING_ARRAY     = MakeResult(0x81080102u);
constexpr Result ERR_MESH_SHARE            = MakeResult(0x81080103u);
constexpr Result ERR_DRAW_STEP_0            = MakeResult(0x81080200u);  // ..0x81080206 by step
constexpr Result ERR_DRAW_FAILED            = MakeResult(0x81080207u);
constexpr Result ERR_BLOCK_NOT_OWNED        = MakeResult(0x81080300u);
constexpr Result ERR_BLOCK_SHARED           = MakeResult(0x81080301u);
constexpr Result ERR_IMPORT_OPEN            = MakeResult(0x81080400u);
constexpr Result ERR_IMPORT_KIND            = MakeResult(0x81080401u);
constexpr Result ERR_IMPORT_TOOLKIT         = MakeResult(0x81080402u);
constexpr Result ERR_IMPORT_EMPTY           = MakeResult(0x81080403u);
constexpr Result ERR_IMPORT_CONVERT         = MakeResult(0x81080405u);
// Terrain (08/05)
constexpr Result ERR_TERRAIN_RESOLUTION     = MakeResult(0x81080500u);
constexpr Result ERR_TERRAIN_LIMIT          = MakeResult(0x81080501u);
// Demonstration program (0B/01)
constexpr Result ERR_DEMO_RENDERER          = MakeResult(0x810B0100u);
constexpr Result ERR_DEMO_MESH              = MakeResult(0x810B0102u);
constexpr Result ERR_DEMO_FONT              = MakeResult(0x810B0104u);
constexpr Result ERR_DEMO_TEXT_POLY         = MakeResult(0x810B0105u);
constexpr Result ERR_DEMO_LIGHT             = MakeResult(0x810B0106u);
constexpr Result ERR_DEMO_MUSIC_PLAYER      = MakeResult(0x810B0107u);
constexpr Result ERR_DEMO_NODE              = MakeResult(0x810B0108u);
constexpr Result ERR_DEMO_PORTALS           = MakeResult(0x810B0109u);
constexpr Result ERR_DEMO_PARTICLES         = MakeResult(0x810B010Au);
constexpr Result ERR_DEMO_TERRAIN           = MakeResult(0x810B010Bu);
// Bounding-volume pair tests (0C/01)
constexpr Result ERR_VOLUME_NO_TABLE        = MakeResult(0x810C0100u);
constexpr Result ERR_VOLUME_NO_TEST         = MakeResult(0x810C0101u);
// Compressed-audio player (0D/01)
constexpr Result ERR_MEDIA_PLAY_STATE       = MakeResult(0x810D0100u);
constexpr Result ERR_MEDIA_PAUSE_STATE      = MakeResult(0x810D0101u);
constexpr Result ERR_MEDIA_STOP_STATE       = MakeResult(0x810D0102u);
constexpr Result ERR_MEDIA_NOTHING_OPEN     = MakeResult(0x810D0103u);
// Media decoding and output (0D/02)
constexpr Result ERR_MEDIA_DECODE           = MakeResult(0x810D0200u);
constexpr Result ERR_MEDIA_OUTPUT           = MakeResult(0x810D0201u);
// Direct3D 8 renderer (0E/01)
constexpr Result ERR_D3D_NO_VERTICES        = MakeResult(0x810E0100u);
constexpr Result ERR_D3D_NULL_TEXTURE       = MakeResult(0x810E0101u);
constexpr Result ERR_D3D_TEXTURE_NO_PIXELS  = MakeResult(0x810E0102u);
constexpr Result ERR_D3D_TEXTURE_NOT_LOADED = MakeResult(0x810E0103u);
constexpr Result ERR_D3D_SHOT_FORMAT        = MakeResult(0x810E0104u);
constexpr Result ERR_D3D_NO_DEVICE          = MakeResult(0x810E0105u);
constexpr Result ERR_D3D_NO_BACK_BUFFER     = MakeResult(0x810E0107u);
constexpr Result ERR_D3D_BACK_BUFFER_LOCK   = MakeResult(0x810E0108u);
constexpr Result ERR_D3D_BACK_BUFFER_DESC   = MakeResult(0x810E0109u);
// clang-format on

// The draw step codes 0x81080200..0x81080206 in step order.
constexpr Result DrawStepError(int step) {
    return MakeResult(0x81080200u + static_cast<uint32_t>(step));
}

}  // namespace vimsa
