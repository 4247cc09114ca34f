#include "scene/textures.h"

#include <cstdio>

#include "scene/bitmap.h"

GLuint texParticle, texTitle, texByline, texDemoFor, texEvent, texBlack, texGreet1, texGreet2, texGreet3,
    texGreet4, texGreet5, texGreet6, texGreet7, texWarning;

GLuint* const textureSlots[bitmapCount] = {
    &texParticle, &texTitle,  &texByline, &texDemoFor, &texEvent,  &texBlack,  &texGreet1,
    &texGreet2,   &texGreet3, &texGreet4, &texGreet5,  &texGreet6, &texGreet7, &texWarning,
};

namespace {

// A fresh texture name goes into `slot` before the file is touched; true when the file
// became that texture's level 0.
bool loadImageTexture(GLuint& slot, const char* fileName)
{
    // The name is taken even when the file then fails; it goes with the context.
    glGenTextures(1, &slot);
    BitmapView bitmap{};
    if (!readBitmapFile(fileName, bitmap)) {
        std::fprintf(stderr, "strobarium: %s: %s\n", fileName, bitmapRefusal());
        return false;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, slot);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, bitmap.width, bitmap.height, 0, GL_BGR_EXT, GL_UNSIGNED_BYTE, bitmap.pixels);
    return true;
}

}  // namespace

bool loadTextures()
{
    for (int i = 0; i < bitmapCount; ++i) {
        if (!loadImageTexture(*textureSlots[i], bitmapFiles[i])) return false;
    }
    return true;
}

void setRenderState()
{
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
}
