// GLRenderer state, textures and binding, checked through OpenGL's own state.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "render/render_state.h"
#include "tests/gl/gl_fixture.h"

namespace vimsa {
namespace {

using test::GLFixture;
using test::Rgba;

GLint GetInt(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// Holds a frame so that the test can query OpenGL directly.
class Frame {
public:
    explicit Frame(GLRenderer& r) : r_(r) { ok_ = r_.BeginFrame(); }
    ~Frame() { r_.EndFrame(); }
    bool ok_;

private:
    GLRenderer& r_;
};

using GLRendererTest = GLFixture;

TEST_F(GLRendererTest, InitSetsTheDocumentedState) {
    EXPECT_EQ(renderer_->Width(), kSize);  // 0 x 0 asked: the client size
    EXPECT_EQ(renderer_->Height(), kSize);
    EXPECT_EQ(renderer_->ColourBits(), 16);
    EXPECT_EQ(renderer_->DepthBits(), 16);
    EXPECT_EQ(renderer_->Kind(), kRendererOpenGL);
    EXPECT_TRUE(RendererIsOpenGL());
    EXPECT_TRUE(renderer_->UsesStencil());
    EXPECT_TRUE(renderer_->Multitexture());  // Mesa has GL_ARB_multitexture
    EXPECT_GE(renderer_->TextureUnits(), 2);

    Frame frame(*renderer_);
    ASSERT_TRUE(frame.ok_);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(GetInt(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LEQUAL);
    EXPECT_EQ(GetInt(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_EQ(GetInt(GL_ALPHA_TEST_FUNC), GL_LESS);
    GLfloat reference = 0;
    glGetFloatv(GL_ALPHA_TEST_REF, &reference);
    EXPECT_NEAR(reference, 128 / 255.0f, 1e-6);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(GetInt(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(GetInt(GL_COLOR_MATERIAL_PARAMETER), GL_AMBIENT_AND_DIFFUSE);
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(glIsEnabled(GL_LIGHT0 + i));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    ReadBack();  // one cleared frame: the clear colour
    EXPECT_TRUE(test::NearColour(At(0, 0), {191, 191, 191, 0}, 1));
}

TEST_F(GLRendererTest, InitRefusesMissingOrForeignWindows) {
    GLRenderer r;
    EXPECT_FALSE(r.Init(nullptr, kDisplayWindow, 64, 64));
    struct PlainWindow : RenderWindow {
        bool ClientSize(uint32_t& w, uint32_t& h) const override {
            w = h = 1;
            return true;
        }
    } plain;
    EXPECT_FALSE(r.Init(&plain, kDisplayWindow, 64, 64));
    // Without a device every truth-valued operation answers false.
    EXPECT_FALSE(r.BeginFrame());
    EXPECT_FALSE(r.Clear(kClearAll));
    EXPECT_FALSE(r.SetDepth(true, true));
    EXPECT_FALSE(r.Present());
    r.Shutdown();
    r.Shutdown();
}

TEST_F(GLRendererTest, MultitextureCanBeSwitchedOffByOptionOrEnvironment) {
    Handle<GLRenderer> single = MakeRenderer(16, 16, GLRendererOptions{true});
    ASSERT_TRUE(single);
    EXPECT_FALSE(single->Multitexture());
    EXPECT_EQ(single->TextureUnits(), 1);

    setenv("VIMSA_GL_NO_MULTITEXTURE", "1", 1);
    Handle<GLRenderer> fromEnvironment = MakeRenderer(16, 16);
    setenv("VIMSA_GL_NO_MULTITEXTURE", "0", 1);
    Handle<GLRenderer> again = MakeRenderer(16, 16);
    unsetenv("VIMSA_GL_NO_MULTITEXTURE");
    ASSERT_TRUE(fromEnvironment && again);
    EXPECT_EQ(fromEnvironment->TextureUnits(), 1);
    EXPECT_TRUE(again->Multitexture());
}

TEST_F(GLRendererTest, ComparisonCodesMapToOpenGL) {
    const std::pair<Comparison, GLenum> table[] = {
        {kCompareLess, GL_LESS},           {kCompareGreater, GL_GREATER},
        {kCompareEqual, GL_EQUAL},         {kCompareLessEqual, GL_LEQUAL},
        {kCompareGreaterEqual, GL_GEQUAL}, {kCompareNotEqual, GL_NOTEQUAL},
        {kCompareNever, GL_NEVER},         {Comparison(3), GL_ALWAYS},
        {kCompareAlways, GL_ALWAYS},       {Comparison(-1), GL_ALWAYS}};
    Frame frame(*renderer_);
    for (const auto& [code, expected] : table) {
        ASSERT_TRUE(renderer_->SetDepthFunc(code));
        EXPECT_EQ(GetInt(GL_DEPTH_FUNC), static_cast<GLint>(expected)) << code;
        ASSERT_TRUE(renderer_->SetAlphaFunc(code, 51));
        EXPECT_EQ(GetInt(GL_ALPHA_TEST_FUNC), static_cast<GLint>(expected)) << code;
    }
    // Depth testing without its own comparison uses "always"; both off disables it.
    renderer_->SetDepthFunc(kCompareLess);
    renderer_->SetDepth(true, false);
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_ALWAYS);
    renderer_->SetDepth(false, true);
    EXPECT_EQ(GetInt(GL_DEPTH_FUNC), GL_LESS);
    EXPECT_EQ(GetInt(GL_DEPTH_WRITEMASK), GL_FALSE);
    renderer_->SetDepth(false, false);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    renderer_->SetCullFront(true);
    EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_FRONT);
}

TEST_F(GLRendererTest, PerspectiveIsTheSameFourByThreeFrustumForAnyWindow) {
    auto projection = [](GLRenderer& r) {
        std::array<GLfloat, 16> m{};
        r.BeginFrame();
        r.SetPerspective(1.5707964f, 10.0f, 3000.0f);
        glGetFloatv(GL_PROJECTION_MATRIX, m.data());
        r.EndFrame();
        return m;
    };
    Handle<GLRenderer> small = MakeRenderer(640, 480);
    Handle<GLRenderer> large = MakeRenderer(1024, 768);
    ASSERT_TRUE(small && large);
    const auto a = projection(*small);
    const auto b = projection(*large);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(a[i], b[i]) << i;
    // tan(pi/4) = 1: x scale 1, y scale -1 / 0.75 (y runs downwards), z mirrored.
    EXPECT_NEAR(a[0], 1.0f, 1e-5);
    EXPECT_NEAR(a[5], -1.0f / 0.75f, 1e-5);
    EXPECT_NEAR(a[11], 1.0f, 1e-5);  // w' = +z: the camera looks along +z
    GLint viewport[4] = {};
    large->BeginFrame();
    glGetIntegerv(GL_VIEWPORT, viewport);
    large->EndFrame();
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
}

TEST_F(GLRendererTest, UploadConvertsNarrowFormatsAndCountsOnce) {
    Handle<Texture> t = renderer_->NewTexture();
    EXPECT_EQ(t->ChannelOrder(), kOrderRgb);
    EXPECT_EQ(renderer_->UploadTexture(nullptr), ERR_GL_TEXTURE);
    EXPECT_EQ(renderer_->UploadTexture(t.Get()), ERR_GL_TEXTURE_NO_PIXELS);

    ASSERT_EQ(t->Create("x", 4, 2, kFormat4444), RESULT_OK);
    const uint32_t device = DeviceTextureMemory();
    ASSERT_EQ(renderer_->UploadTexture(t.Get()), RESULT_OK);
    EXPECT_EQ(t->Format(), kFormat8888);  // stored as 8-bit RGBA
    EXPECT_TRUE(t->Uploaded());
    EXPECT_NE(t->DeviceHandle(), 0u);
    EXPECT_EQ(DeviceTextureMemory(), device + 32);
    const uint32_t name = t->DeviceHandle();
    EXPECT_EQ(renderer_->UploadTexture(t.Get()), RESULT_OK);  // no work the second time
    EXPECT_EQ(t->DeviceHandle(), name);
    EXPECT_EQ(DeviceTextureMemory(), device + 32);

    for (const auto& [from, to] :
         {std::pair{kFormat0555, kFormat0888}, std::pair{kFormat0565, kFormat0888},
          std::pair{kFormat1555, kFormat8888}}) {
        Handle<Texture> n = renderer_->NewTexture();
        ASSERT_EQ(n->Create("n", 2, 2, from), RESULT_OK);
        ASSERT_EQ(renderer_->UploadTexture(n.Get()), RESULT_OK);
        EXPECT_EQ(n->Format(), to);
    }

    ASSERT_EQ(renderer_->UnloadTexture(t.Get()), RESULT_OK);
    EXPECT_FALSE(t->Uploaded());
    EXPECT_EQ(t->DeviceHandle(), 0u);
    EXPECT_EQ(DeviceTextureMemory(), device);
    EXPECT_EQ(renderer_->ReloadTexture(t.Get()), RESULT_OK);
    EXPECT_TRUE(t->Uploaded());

    Handle<Texture> plain(new Texture);  // not an OpenGL texture of this renderer
    ASSERT_EQ(plain->Create("p", 1, 1, kFormat0888), RESULT_OK);
    EXPECT_EQ(renderer_->UploadTexture(plain.Get()), ERR_GL_TEXTURE);
}

TEST_F(GLRendererTest, BindingRules) {
    Handle<Texture> white = SolidTexture(*renderer_, {255, 255, 255, 255});
    Handle<Texture> red = SolidTexture(*renderer_, {255, 0, 0, 255});
    Handle<Texture> pending = renderer_->NewTexture();
    ASSERT_EQ(pending->Create("p", 1, 1, kFormat0888), RESULT_OK);
    renderer_->SetDefaultTexture(white.Get());
    Frame frame(*renderer_);

    EXPECT_EQ(renderer_->BindTexture(0, pending.Get()), ERR_GL_TEXTURE_NOT_LOADED);
    ASSERT_EQ(renderer_->BindTexture(0, red.Get()), RESULT_OK);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(red->DeviceHandle()));
    ASSERT_EQ(renderer_->BindTexture(0, nullptr), RESULT_OK);
    EXPECT_EQ(render_state::BoundTexture(0), white.Get());
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(white->DeviceHandle()));

    // Stage 1 lives on the second unit; null unbinds it.
    auto activeTexture = reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(
        renderer_->Context()->GetProcAddress("glActiveTextureARB"));
    ASSERT_EQ(renderer_->BindTexture(1, red.Get()), RESULT_OK);
    activeTexture(GL_TEXTURE1_ARB);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(red->DeviceHandle()));
    activeTexture(GL_TEXTURE0_ARB);
    ASSERT_EQ(renderer_->BindTexture(1, nullptr), RESULT_OK);
    EXPECT_EQ(render_state::BoundTexture(1), nullptr);
    activeTexture(GL_TEXTURE1_ARB);
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), 0);
    activeTexture(GL_TEXTURE0_ARB);

    // An upload leaves the stage-0 binding as recorded.
    Handle<Texture> later = SolidTexture(*renderer_, {0, 0, 255, 255});
    EXPECT_EQ(GetInt(GL_TEXTURE_BINDING_2D), static_cast<GLint>(white->DeviceHandle()));
}

TEST_F(GLRendererTest, ShutdownTakesTheDeviceCopiesWithIt) {
    Handle<Texture> t = SolidTexture(*renderer_, {1, 2, 3, 255});
    const uint32_t device = DeviceTextureMemory();
    renderer_->Shutdown();
    EXPECT_FALSE(t->Uploaded());
    EXPECT_EQ(t->DeviceHandle(), 0u);
    EXPECT_EQ(DeviceTextureMemory(), device - 16);
    EXPECT_EQ(renderer_->UploadTexture(t.Get()), ERR_GL_INIT);
    renderer_->Shutdown();  // twice is harmless
    renderer_.Reset();      // the texture outlives its renderer
    EXPECT_TRUE(t->InMemory());

    // A new renderer takes the orphaned texture up again.
    Handle<GLRenderer> next = MakeRenderer(16, 16);
    ASSERT_TRUE(next);
    ASSERT_EQ(next->UploadTexture(t.Get()), RESULT_OK);
    EXPECT_TRUE(t->Uploaded());
    next.Reset();
    EXPECT_FALSE(t->Uploaded());
}

TEST_F(GLRendererTest, LightsLoadIntoOpenGLLightsAndTheModelAmbient) {
    LightSet lights;
    lights.ambient = {0.25f, 0.5f, 0.75f, 1};
    DeviceLight directional, spot, off;
    directional.kind = kLightDirectional;
    spot.kind = kLightSpot;
    spot.outerAngle = 1.0f;
    off.on = false;
    for (const DeviceLight& l : {directional, spot, off})
        lights.Add(l);
    Frame frame(*renderer_);
    renderer_->EnableLighting(false);
    renderer_->LoadLights(lights);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
    GLfloat cutoff = 0, position[4] = {}, model[4] = {};
    glGetLightfv(GL_LIGHT1, GL_SPOT_CUTOFF, &cutoff);
    EXPECT_NEAR(cutoff, 0.5f * 57.295776f, 1e-3);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_FLOAT_EQ(position[3], 0.0f);  // directional
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, model);
    EXPECT_FLOAT_EQ(model[2], 0.75f);

    EXPECT_TRUE(renderer_->LoadNodeLights(LightSet{}));
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, model);
    EXPECT_FLOAT_EQ(model[0], 0.0f);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    renderer_->SetLights(0, false);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
}

TEST_F(GLRendererTest, ResizeNeedsItsFlag) {
    EXPECT_FALSE(renderer_->Resize(false, 32, 32));
    EXPECT_EQ(renderer_->Width(), kSize);
    EXPECT_TRUE(renderer_->Resize(true, 32, 16));
    EXPECT_EQ(renderer_->Width(), 32u);
    EXPECT_EQ(renderer_->Height(), 16u);
}

}  // namespace
}  // namespace vimsa
