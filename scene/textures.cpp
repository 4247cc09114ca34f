#include "scene/textures.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "scene/bitmap.h"

GLuint texParticle, texTitle, texByline, texDemoFor, texEvent, texBlack, texGreet1, texGreet2, texGreet3,
    texGreet4, texGreet5, texGreet6, texGreet7, texWarning;
bool depthClampInUse = false;

GLuint* const textureSlots[bitmapCount] = {
    &texParticle, &texTitle,  &texByline, &texDemoFor, &texEvent,  &texBlack,  &texGreet1,
    &texGreet2,   &texGreet3, &texGreet4, &texGreet5,  &texGreet6, &texGreet7, &texWarning,
};

namespace {

const char* glText(GLenum name) { return reinterpret_cast<const char*>(glGetString(name)); }

bool hasExtension(const char* extensions, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (const char* at = extensions; at && *at; at += std::strcspn(at, " "), at += std::strspn(at, " "))
        if (std::strncmp(at, name, length) == 0 && (at[length] == ' ' || at[length] == '\0')) return true;
    return false;
}

// OpenGL 1.1 takes only powers of two for a texture's sides; 2.0, and 1.x with the extension
// that preceded it, take any size up to the same largest side.
bool takesAnySize()
{
    const char* version = glText(GL_VERSION);
    return (version && std::atoi(version) >= 2) || hasExtension(glText(GL_EXTENSIONS), "GL_ARB_texture_non_power_of_two");
}

bool isPowerOfTwo(int32_t n) { return n > 0 && (n & (n - 1)) == 0; }

// True when the current OpenGL takes a level-0 texture of this size.
bool takesSize(int32_t width, int32_t height, std::string& reason)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const bool anySize = takesAnySize();
    if (width <= largest && height <= largest && (anySize || (isPowerOfTwo(width) && isPowerOfTwo(height)))) return true;
    reason = std::string("width and height must be ") + (anySize ? "at most " : "powers of two up to ") + std::to_string(largest);
    return false;
}

// A fresh texture name goes into `slot` before the file is touched; true when the file
// became that texture's level 0.
bool loadImageTexture(GLuint& slot, const char* fileName, std::string& reason)
{
    // The name is taken even when the file then fails; it goes with the context.
    glGenTextures(1, &slot);
    BitmapView bitmap{};
    if (!readBitmapFile(fileName, bitmap, reason) || !takesSize(bitmap.width, bitmap.height, reason)) {
        reason = std::string(fileName) + ": " + reason;
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

bool loadTextures(std::string& reason)
{
    for (int i = 0; i < bitmapCount; ++i) {
        if (!loadImageTexture(*textureSlots[i], bitmapFiles[i], reason)) return false;
    }
    return true;
}

bool depthClampAvailable()
{
    // Core from desktop OpenGL 3.2; OpenGL ES (WebGL among them) names its version after "OpenGL
    // ES " and has only the extension.
    const char* version = glText(GL_VERSION);
    int major = 0, minor = 0;
    if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 && (major > 3 || (major == 3 && minor >= 2))) return true;
    const char* extensions = glText(GL_EXTENSIONS);
    return hasExtension(extensions, "GL_ARB_depth_clamp") || hasExtension(extensions, "GL_NV_depth_clamp") ||
           hasExtension(extensions, "GL_EXT_depth_clamp");
}

void setRenderState()
{
    depthClampInUse = depthClampAvailable();
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
