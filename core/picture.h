// SPDX-License-Identifier: MIT
// Pictures are shared host objects. A picture is either a bitmap (pixels) or a drawing (the
// persistent image of a picture box, kept as drawing operations so it stays sharp at any scale).
// A picture whose handle is 0 is the empty picture: "no picture".
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <stolvane/core/types.h>
#include <stolvane/core/units.h>

namespace stolvane {

class Picture;
using PictureRef = std::shared_ptr<const Picture>;

// One retained drawing operation, in twips. Fills and points cover whole screen pixels
// (15 twips at scale 1) so that what is read back is what was drawn.
struct DrawOp {
    enum class Kind { Fill, Picture };
    Kind kind = Kind::Fill;
    double left = 0, top = 0, width = 0, height = 0;
    uint32_t rgb = 0;      // resolved 0x00BBGGRR for fills
    PictureRef picture;    // for Kind::Picture, painted stretched into the rectangle
};

// The persistent drawing of a surface or picture box: points, filled rectangles and pictures
// painted in order. A point plotted where an earlier point still is replaces it (the last
// operation is changed in place; an earlier one is left empty and dropped later), so plotting
// the same pixels again and again does not lengthen the drawing. Operations hidden entirely
// under later fills are dropped from time to time, so a control that redraws without clearing
// does not grow the list without bound, while adding stays cheap however many points are plotted.
class Drawing {
public:
    static constexpr double kPixel = kTwipsPerPixel;  // twips per drawing pixel

    void Clear();
    // Fills the pixels from corner (x1, y1) to corner (x2, y2), both included.
    void Fill(double x1, double y1, double x2, double y2, uint32_t rgb);
    void Point(double x, double y, uint32_t rgb);
    void PaintPicture(const PictureRef& picture, double left, double top, double width, double height);
    // The colour drawn at (x, y), or nothing when no drawn operation covers the point.
    std::optional<uint32_t> ColourAt(double x, double y) const;

    const std::vector<DrawOp>& Ops() const { return m_ops; }
    bool Empty() const { return m_ops.empty(); }

private:
    void Add(DrawOp op);
    void Compact();
    void IndexPoints();
    std::vector<DrawOp> m_ops;
    size_t m_compactAt = 256;
    // Where the last single-pixel fill of each pixel is in m_ops, and how many emptied ones wait.
    std::unordered_map<uint64_t, size_t> m_points;
    size_t m_emptied = 0;
};

class Picture {
public:
    // The empty picture (handle 0), shared.
    static PictureRef Empty();
    // A bitmap from non-premultiplied 0xAARRGGBB pixels, row by row.
    static PictureRef FromPixels(int width, int height, std::vector<uint32_t> argb, std::string source = {});
    // A picture made from a drawing of the given size in twips.
    static PictureRef FromDrawing(std::shared_ptr<const Drawing> drawing, double widthTwips,
                                  double heightTwips, uint32_t backRgb);

    uint64_t Handle() const { return m_handle; }
    bool IsEmpty() const { return m_handle == 0; }
    // Size in pixels at 15 twips per pixel (a drawing's size rounded up).
    int PixelWidth() const { return m_width; }
    int PixelHeight() const { return m_height; }
    double WidthTwips() const { return m_drawing ? m_widthTwips : m_width * Drawing::kPixel; }
    double HeightTwips() const { return m_drawing ? m_heightTwips : m_height * Drawing::kPixel; }
    const std::vector<uint32_t>& Pixels() const { return m_pixels; }
    const std::shared_ptr<const Drawing>& DrawingContent() const { return m_drawing; }
    uint32_t DrawingBack() const { return m_back; }
    // Pixel (x, y) as 0xAARRGGBB; transparent outside. For a drawing, the drawn colour.
    uint32_t PixelAt(int x, int y) const;
    // Where the picture came from: a file path, or empty for pictures made in code.
    const std::string& Source() const { return m_source; }

private:
    uint64_t m_handle = 0;
    int m_width = 0, m_height = 0;
    double m_widthTwips = 0, m_heightTwips = 0;
    uint32_t m_back = 0;
    std::vector<uint32_t> m_pixels;
    std::shared_ptr<const Drawing> m_drawing;
    std::string m_source;
};

// True when the picture is absent: null or sharing the empty picture's handle.
inline bool IsNoPicture(const PictureRef& p) { return !p || p->Handle() == Picture::Empty()->Handle(); }

}  // namespace stolvane
