#include "scene/textures.h"

#include <cstdio>

#include "scene/bitmap.h"

GLuint texParticle, texTitle, texByline, texDemoFor, texEvent, texBlack, texGreet1, texGreet2, texGreet3,
    texGreet4, texGreet5, texGreet6, texGreet7, texWarning;

namespace {

struct TextureFile {
    GLuint* slot;
    const char* fileName;
};

// Load order is part of the contract: the slots receive their names in this order.
const TextureFile textureFiles[] = {
    {&texParticle, "Data/Particle.bmp"}, {&texTitle, "Data/strobarium.bmp"}, {&texByline, "Data/bykelsot.bmp"},
    {&texDemoFor, "Data/ademofor.bmp"},  {&texEvent, "Data/zentrovia.bmp"},  {&texBlack, "Data/black.bmp"},
    {&texGreet1, "Data/greetz1.bmp"},    {&texGreet2, "Data/greetz2.bmp"},   {&texGreet3, "Data/greetz3.bmp"},
    {&texGreet4, "Data/greetz4.bmp"},    {&texGreet5, "Data/greetz5.bmp"},   {&texGreet6, "Data/greetz6.bmp"},
    {&texGreet7, "Data/greetz7.bmp"},    {&texWarning, "Data/warning.bmp"},
};

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
    for (const TextureFile& file : textureFiles) {
        if (!loadImageTexture(*file.slot, file.fileName)) return false;
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
