#include "platform/gl/gl_binding.h"

#include <gtest/gtest.h>

#include "platform/gl/egl_pbuffer_surface.h"

namespace vimsa::gl {
namespace {

TEST(GLBindingTest, ExtensionTokensMatchExactly) {
    const char* list = "GL_ARB_multitexture_x GL_EXT_bgra  GL_ARB_texture_env_combine";
    EXPECT_FALSE(HasExtension(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(HasExtension(list, "GL_EXT_bgra"));
    EXPECT_TRUE(HasExtension(list, "GL_ARB_texture_env_combine"));
    EXPECT_FALSE(HasExtension(list, "GL_ARB_texture_env"));
    EXPECT_FALSE(HasExtension(list, "bgra"));
    EXPECT_TRUE(HasExtension("GL_ARB_multitexture", "GL_ARB_multitexture"));
    EXPECT_FALSE(HasExtension(nullptr, "GL_ARB_multitexture"));
    EXPECT_FALSE(HasExtension(list, ""));
}

// Counts how often the window system is asked to switch contexts.
class CountingContext : public Context {
public:
    bool SwapBuffers() override { return true; }
    void* GetProcAddress(const char*) override { return nullptr; }
    int makes = 0;
    int dones = 0;
    bool refuse = false;

protected:
    bool MakeCurrent() override {
        if (refuse) return false;
        ++makes;
        return true;
    }
    void DoneCurrent() override { ++dones; }
};

TEST(GLBindingTest, MakeCurrentNestsAndReleasesAtDepthZero) {
    CountingContext c;
    ASSERT_TRUE(c.Acquire());
    ASSERT_TRUE(c.Acquire());
    EXPECT_EQ(c.makes, 1);
    EXPECT_EQ(c.Depth(), 2);
    c.Release();
    EXPECT_EQ(c.dones, 0);
    c.Release();
    EXPECT_EQ(c.dones, 1);
    c.Release();  // unbalanced: ignored
    EXPECT_EQ(c.dones, 1);
    EXPECT_EQ(c.Depth(), 0);

    c.Acquire();
    c.Acquire();
    c.ReleaseAll();
    EXPECT_EQ(c.Depth(), 0);
    EXPECT_EQ(c.dones, 2);

    c.refuse = true;
    EXPECT_FALSE(c.Acquire());
    EXPECT_EQ(c.Depth(), 0);
}

TEST(GLBindingTest, PbufferContextMakesCurrentAndFindsEntryPoints) {
    ASSERT_TRUE(EglPbufferSurface::Available());
    EglPbufferSurface surface(32, 16);
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(surface.ClientSize(w, h));
    EXPECT_EQ(w, 32u);
    EXPECT_EQ(h, 16u);
    std::unique_ptr<Context> context = surface.CreateContext(PixelFormatRequest{});
    ASSERT_TRUE(context);
    ASSERT_TRUE(context->Acquire());
    EXPECT_NE(context->GetProcAddress("glActiveTextureARB"), nullptr);
    EXPECT_TRUE(context->SwapBuffers());
    context->Release();
    EXPECT_FALSE(EglPbufferSurface(0, 0).CreateContext(PixelFormatRequest{}));
}

}  // namespace
}  // namespace vimsa::gl
