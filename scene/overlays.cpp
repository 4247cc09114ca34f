#include "scene/overlays.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "scene/projection.h"
#include "scene/textures.h"
#include "sync/syncState.h"

float titleFade = 1.0f;

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// False while an unseen frame runs the overlays' decisions: then nothing reaches OpenGL.
bool drawing = true;

// Title, cards, backdrop and greetings sit exactly on the far plane, where projection rounding
// could clip them away: while the overlays draw, depth is clamped, or where OpenGL cannot clamp
// it, flattened to the middle of the depth range. Either way no near or far plane clips them,
// and as x, y and w are those of the one projection, they cover the same pixels (nothing tests
// or writes depth).
constexpr float overlayDepth = -100.0f;

struct Greeting {
    int32_t order, row;
    const GLuint* texture;
    float halfWidth;
};

const Greeting greetings[] = {
    {9, 0, &texGreet1, 18.0f},  {9, 16, &texGreet2, 7.0f},  {9, 32, &texGreet3, 44.0f},
    {9, 48, &texGreet4, 19.0f}, {10, 0, &texGreet5, 24.0f}, {10, 16, &texGreet6, 15.0f},
    {10, 32, &texGreet7, 10.0f},
};

// The callbacks may move the song on mid-step, so every test reads the position anew.
int32_t order() { return syncState.order.load(relaxed); }
int32_t row() { return syncState.row.load(relaxed); }

void useOverlayBlend()
{
    if (drawing) glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_DST_COLOR);
}

void setColour(float red, float green, float blue, float alpha)
{
    if (drawing) glColor4f(red, green, blue, alpha);
}

void drawQuad(GLuint texture, const EyeQuad& q)
{
    if (!drawing) return;
    glBindTexture(GL_TEXTURE_2D, texture);
    drawEyeQuad(q);
}

// False when the row names no second card: only the title is drawn then.
bool drawTitleAndCard()
{
    if (order() == 2 && row() == 48) useOverlayBlend();
    setColour(titleFade, titleFade, titleFade, titleFade);
    drawQuad(texTitle, {-56.0f, 56.0f, -6.0f, 12.0f, overlayDepth});

    GLuint card;
    if (order() == 1 && row() == 0) {
        card = texByline;
    } else if (order() == 2 && row() == 0) {
        card = texDemoFor;
    } else if (order() == 2 && row() == 32) {
        card = texEvent;
    } else if (order() == 2 && row() == 48) {
        // The card keeps the colour already set; the lowered value shows from the next frame.
        titleFade -= 0.01f;
        card = texEvent;
    } else {
        return false;
    }
    drawQuad(card, {-56.0f, 56.0f, -14.3f, -6.3f, overlayDepth});
    return true;
}

void drawWarning()
{
    const int32_t m = row() % 4;  // signed: row −1 gives −1
    setColour(1.0f, 1.0f, 1.0f, 1.0f - 0.25f * static_cast<float>(m));
    useOverlayBlend();
    drawQuad(texWarning, {-10.0f, 10.0f, -12.0f, 12.0f, static_cast<float>(18 * (4 - m) - 100)});
}

// False when (order, row) names no greeting: then not even the backdrop is drawn.
bool drawGreeting()
{
    for (const Greeting& greeting : greetings) {
        if (order() != greeting.order || row() != greeting.row) continue;
        useOverlayBlend();
        drawQuad(texBlack, {-100.0f, 100.0f, -52.0f, 53.0f, overlayDepth});
        drawQuad(*greeting.texture, {-greeting.halfWidth, greeting.halfWidth, -5.0f, 5.0f, overlayDepth});
        return true;
    }
    return false;
}

// The projection with its depth row zeroed, the projection before kept on the stack.
void flattenDepth()
{
    GLfloat matrix[16];
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glGetFloatv(GL_PROJECTION_MATRIX, matrix);
    for (int column = 0; column < 4; ++column) matrix[4 * column + 2] = 0.0f;
    glLoadMatrixf(matrix);
    glMatrixMode(GL_MODELVIEW);
}

bool drawChosenOverlays()
{
    switch (order()) {
    case 1:
    case 2:
        return drawTitleAndCard();
    case 3:
        drawWarning();
        return true;
    case 9:
    case 10:
        return drawGreeting();
    default:
        return true;
    }
}

}  // namespace

bool drawOverlays()
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_ONE, GL_ZERO);
    if (depthClampInUse) glEnable(GL_DEPTH_CLAMP);
    else flattenDepth();
    const bool finishTestDue = drawChosenOverlays();
    // Particles are clipped at the far plane as usual; only the overlays escape it.
    if (depthClampInUse) {
        glDisable(GL_DEPTH_CLAMP);
    } else {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    return finishTestDue;
}

bool runUnseenOverlays()
{
    drawing = false;
    const bool finishTestDue = drawChosenOverlays();
    drawing = true;
    return finishTestDue;
}
