#pragma once

#include "render/texture.h"

namespace vimsa {

class GLRenderer;

// A texture of the OpenGL back-end: pixels in red-first channel order and an
// OpenGL texture name (the device handle, 0 while none exists). The renderer
// that made it deletes the name; when that renderer shuts down first it takes
// the names of all its textures with it.
class GLTexture : public Texture {
public:
    explicit GLTexture(GLRenderer* owner);
    ~GLTexture() override;

    // Creates the name if there is none, binds it and sets its parameters
    // (unpack alignment 1, repeat, linear filters, modulate); converts the
    // pixels to red-first order. Needs the owner's context.
    Result CreateOnDevice() override;
    Result DeleteOnDevice() override;
    // Sends the pixels to the existing name again.
    Result ReloadOnDevice() override;

    GLRenderer* Owner() const { return owner_; }
    // The owner is going away; the name died with its context.
    void Detach();
    // A texture without owner joins a renderer.
    void Attach(GLRenderer* owner);

private:
    GLRenderer* owner_;
};

}  // namespace vimsa
