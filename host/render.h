// SPDX-License-Identifier: MIT
// Rendering a form to pixels with cairo and pango. A FormRenderer keeps the last frame of one
// form and repaints only the regions the runtime marked dirty; a full repaint stays available.
// Scale 1 is 15 twips per pixel; scale 2 (HiDPI) halves that, and one-pixel lines stay crisp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <stolvane/core/elements.h>
#include <stolvane/core/form.h>
#include <stolvane/host/colour_source.h>

namespace stolvane {

// A frame: premultiplied ARGB32 pixels (cairo's format), row by row with the given stride.
// (Named Frame rather than Image: Image is the picture element of core/elements.h.)
struct Frame {
    int width = 0, height = 0, stride = 0;
    std::vector<uint8_t> data;
    // 0x00BBGGRR of the pixel at (x, y), as OLE colours read.
    uint32_t PixelRgb(int x, int y) const;
};

// A rectangle of device pixels.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};

class FormRenderer {
public:
    // The runtime is the usual frame source.
    FormRenderer(FrameSource& runtime, Form& form, double scale = 1.0);
    ~FormRenderer();
    // Repaints what changed since the last call (everything on the first) and returns the frame.
    const Frame& Update();
    // Repaints the whole form.
    const Frame& RepaintAll();
    double Scale() const { return m_scale; }
    // Colour shown at a point of the form's client area (twips), after bringing the frame up to date.
    uint32_t PixelAt(double xTwips, double yTwips);
    // Number of device pixels repainted by the last Update (for measurements).
    int64_t LastRepaintedPixels() const { return m_lastPixels; }
    // The rectangles the last Update repainted (the whole frame after a full repaint).
    const std::vector<PixelRect>& LastRepaintedArea() const { return m_lastArea; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    double m_scale;
    int64_t m_lastPixels = 0;
    std::vector<PixelRect> m_lastArea;
};

// A picture painted alone at its natural size (a drawing is replayed at the scale), transparent
// where the picture is transparent; used to encode pictures and to grey them.
Frame RenderPicture(const Picture& picture, double scale);

// Writes a frame as PNG; throws HostError when the file cannot be written.
void WritePng(const Frame& frame, const std::string& path);

}  // namespace stolvane
