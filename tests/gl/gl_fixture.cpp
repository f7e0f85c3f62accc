#include "tests/gl/gl_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "render/image_file.h"
#include "render/render_state.h"

namespace vimsa::test {

::testing::AssertionResult NearColour(const Rgba& got, const Rgba& want, int tolerance) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "got (" << got[0] << ", " << got[1] << ", " << got[2] << ") want (" << want[0]
                   << ", " << want[1] << ", " << want[2] << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

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

Handle<Texture> GLFixture::MakeTexture(GLRenderer& renderer, uint32_t width, uint32_t height,
                                       const std::function<Rgba(uint32_t, uint32_t)>& colour) {
    Handle<Texture> t = renderer.NewTexture();
    EXPECT_EQ(t->Create("test", width, height, kFormat8888), RESULT_OK);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const Rgba c = colour(x, y);
            EncodePixel(t->Pixels() + (y * width + x) * 4, kFormat8888, t->ChannelOrder(),
                        Rgba8{uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), uint8_t(c[3])});
        }
    }
    EXPECT_EQ(renderer.UploadTexture(t.Get()), RESULT_OK);
    return t;
}

Handle<Texture> GLFixture::SolidTexture(GLRenderer& renderer, Rgba colour) {
    return MakeTexture(renderer, 2, 2, [colour](uint32_t, uint32_t) { return colour; });
}

void GLFixture::DrawRect(GLRenderer& renderer, float x0, float y0, float x1, float y1, Rgba colour,
                         float z, float w) {
    const float corners[4][4] = {{x0, y0, 0, 0}, {x0, y1, 0, 1}, {x1, y1, 1, 1}, {x1, y0, 1, 0}};
    ScreenVertex* v = renderer.FirstVertex();
    for (int i = 0; i < 4 && v; ++i) {
        v->position = {corners[i][0], corners[i][1], z, w};
        v->texCoords[0] = {corners[i][2], corners[i][3]};
        v->colours[0] = {colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f,
                         colour[3] / 255.0f};
        if (i < 3) v = renderer.NextVertex();
    }
    renderer.DrawVertexBatch(kPrimitivePolygon, 4, 1, 1);
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
