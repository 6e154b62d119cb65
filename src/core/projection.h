#pragma once

namespace korvel {

// The oblique view every picture of the editor is drawn through. The angle is in
// degrees and turned into radians with the constant 0.0174538 (not pi / 180), so
// that 90 degrees gives cos a = -0.0000457 rather than 0; pictures drawn with it
// must match that.
inline constexpr double kDegreesToRadians = 0.0174538;

// How the height z enters the vertical coordinate: the editor's pictures scale it by
// cos a like the depth y; a picture with a flat scale of its own keeps z unscaled.
enum class HeightScale { ByCosine, Unscaled };

// One angle's projection, with its sine and cosine taken once. Callers that draw many
// points make one per drawing; the free functions below make one per call.
class Projection {
public:
    explicit Projection(int angleDegrees, HeightScale height = HeightScale::ByCosine);

    // Horizontal picture coordinate: cos(a) x + sin(a) y; z is not used.
    double x(double x, double y, double) const { return m_cos * x + m_sin * y; }
    // Vertical picture coordinate, growing downward, so a larger z is a higher point:
    // -(-sin(a) x + cos(a) y + h z), h = cos(a) or 1 by the height scale.
    double y(double x, double y, double z) const {
        return -1 * (-m_sin * x + m_cos * y + m_heightFactor * z);
    }

    double cosA() const { return m_cos; }
    double sinA() const { return m_sin; }

private:
    double m_cos;
    double m_sin;
    double m_heightFactor;
};

// X_Bar and Y_Bar of the shared rotation angle (degrees). Both take their sine and
// cosine afresh from the angle given.
double X_Bar(int angleDegrees, double x, double y, double z);
double Y_Bar(int angleDegrees, double x, double y, double z);

} // namespace korvel
