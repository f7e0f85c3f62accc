#pragma once

#include "tools/assets/s3m_writer.h"

namespace vimsa::tool {

// The demo's music: an original piece in A minor for drums, bass, pad, lead,
// plucked arpeggios and a bell, 125 beats a minute, eight patterns of four
// bars (about a minute), looping back to its intro.
class SongComposer {
public:
    static constexpr const char* kTitle = "Vimsa II: Portal Run";

    // The whole module, instruments and all.
    static S3mWriter Compose();
};

}  // namespace vimsa::tool
