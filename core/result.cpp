#include "core/result.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <ostream>

namespace vimsa {
namespace {

struct ResultEntry {
    Result code;
    const char* name;
    const char* text;
};

#define VIMSA_RESULT(code, text) \
    { code, #code, text }

// Sorted by code (as unsigned) so lookups can search it.
constexpr ResultEntry kResults[] = {
    VIMSA_RESULT(RESULT_OK, "success"),
    VIMSA_RESULT(ERR_FAIL,
                 "unspecified failure: out of memory or a sub-object could not be created"),
    VIMSA_RESULT(ERR_FILE_OPEN, "a file could not be opened"),
    VIMSA_RESULT(ERR_FILE_SEEK, "positioning in a file failed"),
    VIMSA_RESULT(ERR_FILE_SIZE, "the size of a file could not be determined"),
    VIMSA_RESULT(ERR_FILE_READ, "fewer bytes were read than requested"),
    VIMSA_RESULT(ERR_FILE_WRITE, "fewer bytes were written than requested"),
    VIMSA_RESULT(ERR_OUT_OF_RANGE,
                 "a read, write or seek would pass the end of a stream or buffer"),
    VIMSA_RESULT(ERR_NOT_FOUND, "a catalog lookup named a folder rather than a file"),
    VIMSA_RESULT(ERR_NULL_ARGUMENT, "a required pointer argument is null"),
    VIMSA_RESULT(ERR_STREAM_FAILED, "the stream has failed or is not ready for the operation"),
    VIMSA_RESULT(ERR_NOT_IMPLEMENTED, "the operation is not provided by this class"),
    VIMSA_RESULT(ERR_NO_RENDERER, "no renderer is attached"),
    VIMSA_RESULT(ERR_BAD_TAG, "the chunk does not carry the expected tag"),
    VIMSA_RESULT(ERR_BAD_VERSION, "unsupported mode or version"),
    VIMSA_RESULT(ERR_SOUND_NO_DEVICE, "the sound device is missing or was not created"),
    VIMSA_RESULT(ERR_SOUND_COOPERATIVE, "the sound device refused the cooperation level"),
    VIMSA_RESULT(ERR_SOUND_CAPS, "the sound device's capabilities are unavailable"),
    VIMSA_RESULT(ERR_SOUND_BUFFER_CREATE, "the sound buffer was not created"),
    VIMSA_RESULT(ERR_SOUND_NO_BUFFER, "there is no sound buffer"),
    VIMSA_RESULT(ERR_SOUND_BUFFER_FORMAT, "the sound buffer refused its format or capabilities"),
    VIMSA_RESULT(ERR_SOUND_BUFFER_LOCK, "the sound buffer could not be locked or cleared"),
    VIMSA_RESULT(ERR_SOUND_PLAY, "playback did not start"),
    VIMSA_RESULT(ERR_SOUND_STOP, "playback did not stop"),
    VIMSA_RESULT(ERR_MIXER_NO_MODULE, "the mixer has no module"),
    VIMSA_RESULT(ERR_MIXER_NO_VOICES, "voice mixing was asked for without voices"),
    VIMSA_RESULT(ERR_MIXER_START, "the song could not be started"),
    VIMSA_RESULT(ERR_MIXER_STOP, "the song could not be stopped"),
    VIMSA_RESULT(ERR_MUSIC_UNSUPPORTED_KIND, "the file is not of a supported module kind"),
    VIMSA_RESULT(ERR_MUSIC_TIMER_RESOLUTION, "the timer resolution was refused"),
    VIMSA_RESULT(ERR_MUSIC_TIMER_START, "the periodic timer did not start"),
    VIMSA_RESULT(ERR_MODULE_SIGNATURE, "unknown module signature"),
    VIMSA_RESULT(ERR_MODULE_NO_DATA, "no file data"),
    VIMSA_RESULT(ERR_MODULE_NOT_PARSED, "the module is not parsed"),
    VIMSA_RESULT(ERR_MODULE_ALREADY_PARSED, "the module is already parsed"),
    VIMSA_RESULT(ERR_MODULE_SONG_END, "the end of the song is reached"),
    VIMSA_RESULT(ERR_MODULE_NO_PLAY_STATE, "no play state or mixer instance"),
    VIMSA_RESULT(ERR_MODULE_NOT_VALIDATED, "the module is not validated"),
    VIMSA_RESULT(ERR_CATALOG_BAD_RECORD, "a database record does not begin with its expected tag"),
    VIMSA_RESULT(ERR_SERIAL_NO_STREAM, "no stream is attached"),
    VIMSA_RESULT(ERR_SERIAL_NO_NAME_FOR_ID, "the id database has no name for this id"),
    VIMSA_RESULT(ERR_SERIAL_NO_NAME, "the serializer has no name"),
    VIMSA_RESULT(ERR_SERIAL_NO_ID, "no id could be allocated"),
    VIMSA_RESULT(ERR_SERIAL_SHORT_READ, "fewer bytes were read than the file's size"),
    VIMSA_RESULT(ERR_SERIAL_NOT_SMALLER, "the compressed form would not be smaller than its input"),
    VIMSA_RESULT(ERR_FONT_NO_RENDERER, "the font was given no renderer"),
    VIMSA_RESULT(ERR_FONT_NO_TEXTURE, "the renderer gave the font no texture"),
    VIMSA_RESULT(ERR_FONT_BAD_CHARACTER, "a character lies outside the font's glyph grid"),
    VIMSA_RESULT(ERR_FONT_NOT_LOADED, "the font is not loaded"),
    VIMSA_RESULT(ERR_TEXT_NO_FONT, "a text polygon is drawn without a font"),
    VIMSA_RESULT(ERR_IMAGE_UNREADABLE, "the image file is missing or unreadable"),
    VIMSA_RESULT(ERR_IMAGE_SHORT_HEADER, "the file is shorter than its header"),
    VIMSA_RESULT(ERR_IMAGE_DEPTH, "the pixel depth is not supported"),
    VIMSA_RESULT(ERR_IMAGE_CORRUPT, "bad signature or truncated pixel data"),
    VIMSA_RESULT(ERR_IMAGE_NO_PIXELS, "the texture has no pixels"),
    VIMSA_RESULT(ERR_IMAGE_WRITE_TYPE, "writing this file type is not supported"),
    VIMSA_RESULT(ERR_IMAGE_WRITE_NO_TEXTURE, "no texture given to the writer"),
    VIMSA_RESULT(ERR_IMAGE_WRITE_FAILED, "the file could not be written"),
    VIMSA_RESULT(ERR_IMAGE_WRITE_NO_PATH, "no path given to the writer"),
    VIMSA_RESULT(ERR_TEXTURE_FORMAT, "pixel format number out of range (valid numbers are 1 to 6)"),
    VIMSA_RESULT(ERR_TEXTURE_NO_PIXELS, "the texture has no pixels to convert or save"),
    VIMSA_RESULT(ERR_TEXTURE_FILE_KIND, "file kind out of range"),
    VIMSA_RESULT(ERR_TEXTURE_NO_READER, "no reader could load the file"),
    VIMSA_RESULT(ERR_TEXTURE_SHOTS_FULL, "1000 screenshots exist"),
    VIMSA_RESULT(ERR_TEXTURE_SAVE_BITS, "bits per pixel for saving out of range"),
    VIMSA_RESULT(ERR_TEXTURE_NO_DEVICE, "no device recorded for a device texture"),
    VIMSA_RESULT(ERR_GL_INIT, "the OpenGL renderer could not be initialised"),
    VIMSA_RESULT(ERR_GL_TEXTURE, "no texture given, or its device object could not be created"),
    VIMSA_RESULT(ERR_GL_TEXTURE_NO_PIXELS, "the texture has no pixels"),
    VIMSA_RESULT(ERR_GL_TEXTURE_NOT_LOADED, "the texture was bound before upload"),
    VIMSA_RESULT(ERR_MESH_ALLOCATE, "allocating the arrays of a mesh failed"),
    VIMSA_RESULT(ERR_MESH_MISSING_ARRAY, "a mesh is missing one of its arrays"),
    VIMSA_RESULT(ERR_MESH_SHARE, "taking a mesh's arrays by reference failed"),
    {MakeResult(0x81080200u), "ERR_DRAW_STEP_0", "draw step 0 (world matrix) failed"},
    {MakeResult(0x81080201u), "ERR_DRAW_STEP_1", "draw step 1 failed"},
    {MakeResult(0x81080202u), "ERR_DRAW_STEP_2", "draw step 2 failed"},
    {MakeResult(0x81080203u), "ERR_DRAW_STEP_3", "draw step 3 failed"},
    {MakeResult(0x81080204u), "ERR_DRAW_STEP_4", "draw step 4 failed"},
    {MakeResult(0x81080205u), "ERR_DRAW_STEP_5", "draw step 5 failed"},
    {MakeResult(0x81080206u), "ERR_DRAW_STEP_6", "draw step 6 failed"},
    VIMSA_RESULT(ERR_DRAW_FAILED,
                 "the last draw step failed, or drawing without renderer, world matrix or camera"),
    VIMSA_RESULT(ERR_BLOCK_NOT_OWNED, "the use count of a block that is not owned was incremented"),
    VIMSA_RESULT(ERR_BLOCK_SHARED, "an unshareable block already in use was shared again"),
    VIMSA_RESULT(ERR_IMPORT_OPEN, "a scene file to import could not be opened"),
    VIMSA_RESULT(ERR_IMPORT_KIND, "import of this kind is not supported"),
    VIMSA_RESULT(ERR_IMPORT_TOOLKIT, "the import toolkit reported an error"),
    VIMSA_RESULT(ERR_IMPORT_EMPTY, "the imported scene holds no usable object"),
    VIMSA_RESULT(ERR_IMPORT_CONVERT, "converting the imported geometry failed"),
    VIMSA_RESULT(ERR_TERRAIN_RESOLUTION,
                 "a terrain block's resolution is 0 or above 255 cells per side"),
    VIMSA_RESULT(
        ERR_TERRAIN_LIMIT,
        "a terrain asks for more blocks, vertices or picture memory than one terrain may hold"),
    VIMSA_RESULT(ERR_DEMO_RENDERER, "unknown renderer, or the renderer could not be created"),
    VIMSA_RESULT(ERR_DEMO_MESH, "a mesh could not be created"),
    VIMSA_RESULT(ERR_DEMO_FONT, "the font fnt8.tga was not found"),
    VIMSA_RESULT(ERR_DEMO_TEXT_POLY, "a text polygon could not be created"),
    VIMSA_RESULT(ERR_DEMO_LIGHT, "a light could not be created"),
    VIMSA_RESULT(ERR_DEMO_MUSIC_PLAYER, "the music player could not be created"),
    VIMSA_RESULT(ERR_DEMO_NODE, "a node could not be created"),
    VIMSA_RESULT(ERR_DEMO_PORTALS, "a pair of portals could not be created"),
    VIMSA_RESULT(ERR_DEMO_PARTICLES, "a particle system could not be created"),
    VIMSA_RESULT(ERR_DEMO_TERRAIN, "the terrain could not be created, loaded or built"),
    VIMSA_RESULT(ERR_VOLUME_NO_TABLE,
                 "the volume pair-test table is not set up, or a volume is null"),
    VIMSA_RESULT(ERR_VOLUME_NO_TEST,
                 "a volume kind has no index, or the pair of kinds has no test"),
    VIMSA_RESULT(ERR_MEDIA_PLAY_STATE, "play requested while neither stopped nor paused"),
    VIMSA_RESULT(ERR_MEDIA_PAUSE_STATE, "pause requested while neither playing nor stopped"),
    VIMSA_RESULT(ERR_MEDIA_STOP_STATE, "stop requested while neither playing nor paused"),
    VIMSA_RESULT(ERR_MEDIA_NOTHING_OPEN, "rewind requested with nothing open"),
    VIMSA_RESULT(ERR_MEDIA_DECODE, "the file is not audio the media player can decode"),
    VIMSA_RESULT(ERR_MEDIA_OUTPUT, "the audio output for media playback could not be opened"),
    VIMSA_RESULT(ERR_D3D_NO_VERTICES, "the vertex pool or device vertices are not allocated"),
    VIMSA_RESULT(ERR_D3D_NULL_TEXTURE, "null texture, or a screenshot image without pixels"),
    VIMSA_RESULT(ERR_D3D_TEXTURE_NO_PIXELS, "the texture has no pixels"),
    VIMSA_RESULT(ERR_D3D_TEXTURE_NOT_LOADED, "the texture was bound before upload"),
    VIMSA_RESULT(ERR_D3D_SHOT_FORMAT, "the back-buffer format is not supported for screenshots"),
    VIMSA_RESULT(ERR_D3D_NO_DEVICE, "no device"),
    VIMSA_RESULT(ERR_D3D_NO_BACK_BUFFER, "the back buffer is not available"),
    VIMSA_RESULT(ERR_D3D_BACK_BUFFER_LOCK, "the back buffer could not be locked"),
    VIMSA_RESULT(ERR_D3D_BACK_BUFFER_DESC, "the back-buffer description is not available"),
};

#undef VIMSA_RESULT

constexpr bool SortedByCode() {
    for (size_t i = 1; i < std::size(kResults); ++i) {
        if (static_cast<uint32_t>(kResults[i - 1].code) >=
            static_cast<uint32_t>(kResults[i].code)) {
            return false;
        }
    }
    return true;
}
static_assert(SortedByCode(), "result table must stay sorted by code");

const ResultEntry* Find(Result code) {
    const auto* end = std::end(kResults);
    const auto* it =
        std::lower_bound(std::begin(kResults), end, code, [](const ResultEntry& e, Result c) {
            return static_cast<uint32_t>(e.code) < static_cast<uint32_t>(c);
        });
    return (it != end && it->code == code) ? it : nullptr;
}

}  // namespace

const char* ResultText(Result code) {
    const ResultEntry* e = Find(code);
    return e ? e->text : "unknown result code";
}

const char* ResultName(Result code) {
    const ResultEntry* e = Find(code);
    return e ? e->name : nullptr;
}

void PrintTo(Result code, std::ostream* out) {
    const char* name = ResultName(code);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(code.code));
    *out << (name ? name : "unknown") << " (" << hex << ")";
}

}  // namespace vimsa
