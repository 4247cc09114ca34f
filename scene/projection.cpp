#include "scene/projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double fieldOfView = 55.0;
// The near plane was always a float; widening it keeps its exact value, not 0.1.
constexpr double nearPlane = static_cast<double>(0.1f);
constexpr double farPlane = 100.0;

// gluPerspective's x and y scales, kept with the projection they belong to: the view test runs
// for every lit quad of every frame.
double clipScaleX = 0;
double clipScaleY = 0;

}  // namespace

void setProjection(int width, int height)
{
    // Only the divisor needs the guard; a zero width just gives an empty viewport.
    if (height == 0) height = 1;
    const double aspect = static_cast<double>(width) / static_cast<double>(height);
    constexpr double pi = 3.14159265358979323846;
    clipScaleY = 1.0 / std::tan(fieldOfView * pi / 360.0);
    clipScaleX = clipScaleY / aspect;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, aspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void drawEyeQuad(const EyeQuad& q)
{
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2d(1, 1);
    glVertex3f(q.right, q.top, q.z);
    glTexCoord2d(0, 1);
    glVertex3f(q.left, q.top, q.z);
    glTexCoord2d(1, 0);
    glVertex3f(q.right, q.bottom, q.z);
    glTexCoord2d(0, 0);
    glVertex3f(q.left, q.bottom, q.z);
    glEnd();
}

bool quadOutsideView(const EyeQuad& quad)
{
    // gluPerspective's matrix applied by hand: the side planes in clip coordinates, where x and
    // y scale with the eye distance w, near and far in eye depth, where they are not squeezed
    // together. The quad is outside a side plane when its nearest edge is; the rasteriser works
    // in float, and the slack covers its rounding.
    constexpr double slack = 1e-4;
    const double w = -double(quad.z);
    const double left = clipScaleX * quad.left, right = clipScaleX * quad.right;
    const double bottom = clipScaleY * quad.bottom, top = clipScaleY * quad.top;
    const double margin = -slack * (std::max(std::fabs(left), std::fabs(right)) +
                                    std::max(std::fabs(bottom), std::fabs(top)) + std::fabs(w));
    return w + right < margin || w - left < margin || w + top < margin || w - bottom < margin ||
           w - nearPlane < margin || farPlane - w < margin;
}
