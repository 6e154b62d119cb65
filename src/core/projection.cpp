#include "projection.h"

#include <cmath>

namespace korvel {

Projection::Projection(int angleDegrees, HeightScale height) {
    const double a = angleDegrees * kDegreesToRadians;
    m_cos = std::cos(a);
    m_sin = std::sin(a);
    m_heightFactor = height == HeightScale::ByCosine ? m_cos : 1.0;
}

double X_Bar(int angleDegrees, double x, double y, double z) {
    return Projection(angleDegrees).x(x, y, z);
}

double Y_Bar(int angleDegrees, double x, double y, double z) {
    return Projection(angleDegrees).y(x, y, z);
}

} // namespace korvel
