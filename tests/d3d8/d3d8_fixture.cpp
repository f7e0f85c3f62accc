#include "tests/d3d8/d3d8_fixture.h"

#include "render/render_state.h"

namespace vimsa::test {

void D3D8Fixture::SetUp() {
    render_state::ClearBoundTextures();
    renderer_ = MakeRenderer(kSize, kSize);
    ASSERT_TRUE(renderer_);
}

void D3D8Fixture::TearDown() {
    renderer_.Reset();
    windows_.clear();
}

Handle<D3D8Renderer> D3D8Fixture::MakeRenderer(uint32_t width, uint32_t height,
                                               D3D8RendererOptions options) {
    windows_.push_back(std::make_unique<HeadlessD3D8Window>(width, height));
    Handle<D3D8Renderer> renderer(new D3D8Renderer(options));
    if (!renderer->Init(windows_.back().get(), kDisplayWindow, 0, 0)) return nullptr;
    if (Failed(renderer->CreateVertexPool(256))) return nullptr;
    return renderer;
}

D3D8RendererOptions D3D8Fixture::OneUnit() {
    D3D8RendererOptions options;
    options.adapter.maxSimultaneousTextures = 1;
    return options;
}

void D3D8Fixture::ReadBack(D3D8Renderer& renderer, std::vector<uint8_t>& out) {
    ASSERT_TRUE(renderer.ReadPixels(out));
}

void D3D8Fixture::ReadBack() {
    ReadBack(*renderer_, pixels_);
    pixelsWidth_ = renderer_->Width();
}

void D3D8Fixture::Begin2DFrame(Renderer& r) {
    ASSERT_TRUE(r.BeginFrame());
    ASSERT_TRUE(r.Clear(kClearAll));
    ASSERT_TRUE(r.Begin2D());
    ASSERT_EQ(r.BindTexture(0, nullptr), RESULT_OK);
}

void D3D8Fixture::Begin3DFrame(Renderer& r) {
    ASSERT_TRUE(r.BeginFrame());
    ASSERT_TRUE(r.Clear(kClearAll));
    ASSERT_TRUE(r.Begin3DView(1.5707964f, 1.0f, 100.0f, Matrix4::Identity()));
    const Matrix4 world;
    ASSERT_TRUE(r.SetViewMatrix(&world, nullptr));
}

}  // namespace vimsa::test
