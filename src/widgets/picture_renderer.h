#pragma once

#include "core/drawing_surface.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>

namespace korvel {

// How a picture's user window lands on a device of a given size: one scale for both
// directions (circles stay circles), the window centred, the rest background.
struct PictureMapping {
    double scale = 1; // device pixels per user unit (horizontally, and vertically unless scaleY is set)
    double dx = 0;    // device x of user x = 0
    double dy = 0;    // device y of user y = 0

    double scaleY = 0; // device pixels per user unit vertically when the picture is stretched; 0: scale

    // keepAspect false stretches the window over the whole device (a graph that fills its frame).
    static PictureMapping of(const PictureWindow& window, QSizeF device, bool keepAspect = true);
    double sy() const { return scaleY > 0 ? scaleY : scale; }
    QPointF toDevice(QPointF user) const { return {dx + user.x() * scale, dy + user.y() * sy()}; }
};

// Paints a drawing surface into an image: the whole image in the background colour,
// then every line and circle in the drawing colour. Lines keep their pixel width
// whatever the scale. Used by the picture widget on paint and by offscreen callers
// (tests, the command-line tool), so both show the same pixels.
void renderSurface(const DrawingSurface& surface, QImage& image, const QColor& background,
                   const QColor& ink = Qt::black, bool keepAspect = true);
// The same into a new image of the given size (RGB32).
QImage renderSurface(const DrawingSurface& surface, QSize size, const QColor& background,
                     const QColor& ink = Qt::black, bool keepAspect = true);

} // namespace korvel
