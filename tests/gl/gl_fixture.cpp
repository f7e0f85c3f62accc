#include "tests/gl/gl_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "render/image_file.h"
#include "render/render_state.h"

namespace vimsa::test {

void GLFixture::SetUp() {
    ASSERT_TRUE(gl::EglPbufferSurface::Available()) << "no surfaceless EGL display with OpenGL";
    render_state::ClearBoundTextures();
    renderer_ = MakeRenderer(kSize, kSize);
    ASSERT_TRUE(renderer_);
}

void GLFixture::TearDown() {
    renderer_.Reset();
    extraWindows_.clear();
    window_.reset();
}

Handle<GLRenderer> GLFixture::MakeRenderer(uint32_t width, uint32_t height,
                                           GLRendererOptions options) {
    auto window = std::make_unique<HeadlessGLWindow>(width, height);
    Handle<GLRenderer> renderer(new GLRenderer(options));
    if (!renderer->Init(window.get(), kDisplayWindow, 0, 0)) return nullptr;
    if (Failed(renderer->CreateVertexPool(256))) return nullptr;
    if (!window_)
        window_ = std::move(window);
    else
        extraWindows_.push_back(std::move(window));
    return renderer;
}

void GLFixture::ReadBack(GLRenderer& renderer, std::vector<uint8_t>& out) {
    ASSERT_TRUE(renderer.ReadPixels(out));
}

void GLFixture::ReadBack() {
    ReadBack(*renderer_, pixels_);
    pixelsWidth_ = renderer_->Width();
}

Rgba GLFixture::At(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * pixelsWidth_ + x) * 4;
    return {pixels_[at], pixels_[at + 1], pixels_[at + 2], pixels_[at + 3]};
}

void GLFixture::ExpectMatchesReference(const std::string& name, int tolerance, int maxOff) {
    ReadBack();
    const uint32_t width = renderer_->Width(), height = renderer_->Height();
    Handle<Texture> frame(new Texture);
    frame->SetChannelOrder(kOrderRgb);
    ASSERT_EQ(frame->Create(name, width, height, kFormat8888), RESULT_OK);
    std::copy(pixels_.begin(), pixels_.end(), frame->Pixels());

    if (const char* out = std::getenv("VIMSA_WRITE_GL_REFERENCES")) {
        const std::string path = (std::filesystem::path(out) / (name + ".tga")).string();
        ASSERT_EQ(SaveImage(frame.Get(), path, kImageTga, 24), RESULT_OK);
        return;
    }
    Handle<Texture> reference(new Texture);
    reference->SetChannelOrder(kOrderRgb);
    const std::string path = std::string(VIMSA_SOURCE_DIR) + "/tests/gl/data/" + name + ".tga";
    ASSERT_EQ(LoadImage(reference.Get(), path, kImageTga), RESULT_OK) << path;
    ASSERT_EQ(reference->Width(), width);
    ASSERT_EQ(reference->Height(), height);
    int off = 0;
    for (uint32_t i = 0; i < width * height; ++i) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(int(reference->Pixels()[i * 3 + c]) - int(pixels_[i * 4 + c])) >
                tolerance) {
                ++off;
                break;
            }
        }
    }
    EXPECT_LE(off, maxOff) << name << ": pixels differing from the reference";
}

}  // namespace vimsa::test
