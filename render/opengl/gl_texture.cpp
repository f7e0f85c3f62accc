#include "render/opengl/gl_texture.h"

#include <GL/gl.h>

#include "render/opengl/gl_renderer.h"

namespace vimsa {

GLTexture::GLTexture(GLRenderer* owner) : owner_(owner) {
    SetChannelOrder(kOrderRgb);
    if (owner_) owner_->Adopt(this);
}

GLTexture::~GLTexture() {
    // The base destructor cannot reach this class's device operation. A name
    // that cannot be deleted (no context) died with its context.
    if (DeviceHandle() != 0) (void)DeleteOnDevice();
    MarkUploaded(false);
    if (owner_) owner_->Forget(this);
}

Result GLTexture::CreateOnDevice() {
    if (!owner_ || !owner_->AcquireContext()) return ERR_GL_TEXTURE;
    Result r = Convert(Format(), kOrderRgb);
    if (Succeeded(r)) {
        GLuint name = DeviceHandle();
        if (name == 0) glGenTextures(1, &name);
        SetDeviceHandle(name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        r = name != 0 ? RESULT_OK : ERR_GL_TEXTURE;
    }
    owner_->ReleaseContext();
    return r;
}

Result GLTexture::DeleteOnDevice() {
    const GLuint name = DeviceHandle();
    SetDeviceHandle(0);
    if (name == 0 || !owner_) return RESULT_OK;
    if (!owner_->AcquireContext()) return ERR_GL_TEXTURE;
    glDeleteTextures(1, &name);
    owner_->ReleaseContext();
    return RESULT_OK;
}

Result GLTexture::ReloadOnDevice() {
    if (!Pixels()) return ERR_GL_TEXTURE_NO_PIXELS;
    if (DeviceHandle() == 0 || !owner_) return ERR_GL_TEXTURE_NOT_LOADED;
    if (Format() != kFormat0888 && Format() != kFormat8888) return ERR_TEXTURE_FORMAT;
    if (!owner_->AcquireContext()) return ERR_GL_TEXTURE;
    const GLenum layout = Format() == kFormat8888 ? GL_RGBA : GL_RGB;
    glBindTexture(GL_TEXTURE_2D, DeviceHandle());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, layout == GL_RGBA ? 4 : 3, static_cast<GLsizei>(Width()),
                 static_cast<GLsizei>(Height()), 0, layout, GL_UNSIGNED_BYTE, Pixels());
    owner_->RestoreStageZeroBinding();
    owner_->ReleaseContext();
    return RESULT_OK;
}

void GLTexture::Attach(GLRenderer* owner) {
    if (owner_ || !owner) return;
    owner_ = owner;
    owner_->Adopt(this);
}

void GLTexture::Detach() {
    SetDeviceHandle(0);
    MarkUploaded(false);
    owner_ = nullptr;
}

}  // namespace vimsa
