#include "scene/projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace {

constexpr double fieldOfView = 55.0;
// The near plane was always a float; widening it keeps its exact value, not 0.1.
constexpr double nearPlane = static_cast<double>(0.1f);
constexpr double farPlane = 100.0;

double viewAspect = 16.0 / 9.0;

}  // namespace

void setProjection(int width, int height)
{
    // Only the divisor needs the guard; a zero width just gives an empty viewport.
    if (height == 0) height = 1;
    viewAspect = static_cast<double>(width) / static_cast<double>(height);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, viewAspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool quadOutsideView(const float corners[4][3])
{
    // gluPerspective's matrix applied by hand: the side planes in clip coordinates, near and far
    // in eye depth, where they are not squeezed together. A distance is negative outside; the
    // rasteriser works in float, and the slack covers its rounding.
    constexpr double pi = 3.14159265358979323846;
    const double f = 1.0 / std::tan(fieldOfView * pi / 360.0);
    constexpr double slack = 1e-4;
    bool outside[6] = {true, true, true, true, true, true};
    for (int i = 0; i < 4; ++i) {
        const double x = f / viewAspect * corners[i][0];
        const double y = f * corners[i][1];
        const double w = -double(corners[i][2]);
        const double margin = -slack * (std::fabs(x) + std::fabs(y) + std::fabs(w));
        const double distances[6] = {w + x, w - x, w + y, w - y, w - nearPlane, farPlane - w};
        for (int plane = 0; plane < 6; ++plane) outside[plane] = outside[plane] && distances[plane] < margin;
    }
    for (bool beyond : outside)
        if (beyond) return true;
    return false;
}
