#include "scene/projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

constexpr double fieldOfView = 55.0;
// The near plane was always a float; widening it keeps its exact value, not 0.1.
constexpr double nearPlane = static_cast<double>(0.1f);
constexpr double farPlane = 100.0;

}  // namespace

void setProjection(int width, int height)
{
    // Only the divisor needs the guard; a zero width just gives an empty viewport.
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, static_cast<double>(width) / static_cast<double>(height), nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
