#include "core/picture.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace stolvane {

namespace {
std::atomic<uint64_t> g_nextHandle{1};

bool Covers(const DrawOp& outer, const DrawOp& inner) {
    return outer.left <= inner.left && outer.top <= inner.top &&
           outer.left + outer.width >= inner.left + inner.width &&
           outer.top + outer.height >= inner.top + inner.height;
}
}  // namespace

void Drawing::Clear() { m_ops.clear(); }

void Drawing::Add(DrawOp op) {
    if (op.kind == DrawOp::Kind::Fill) {
        std::erase_if(m_ops, [&](const DrawOp& o) { return Covers(op, o); });
    }
    m_ops.push_back(std::move(op));
}

void Drawing::Fill(double x1, double y1, double x2, double y2, uint32_t rgb) {
    double px0 = std::floor(std::min(x1, x2) / kPixel), px1 = std::floor(std::max(x1, x2) / kPixel);
    double py0 = std::floor(std::min(y1, y2) / kPixel), py1 = std::floor(std::max(y1, y2) / kPixel);
    DrawOp op;
    op.kind = DrawOp::Kind::Fill;
    op.left = px0 * kPixel;
    op.top = py0 * kPixel;
    op.width = (px1 - px0 + 1) * kPixel;
    op.height = (py1 - py0 + 1) * kPixel;
    op.rgb = rgb & 0xFFFFFF;
    Add(std::move(op));
}

void Drawing::Point(double x, double y, uint32_t rgb) { Fill(x, y, x, y, rgb); }

void Drawing::PaintPicture(const PictureRef& picture, double left, double top, double width, double height) {
    if (IsNoPicture(picture)) return;
    DrawOp op;
    op.kind = DrawOp::Kind::Picture;
    op.left = left;
    op.top = top;
    op.width = width;
    op.height = height;
    op.picture = picture;
    Add(std::move(op));
}

std::optional<uint32_t> Drawing::ColourAt(double x, double y) const {
    // Read at the centre of the pixel that holds the point.
    double cx = (std::floor(x / kPixel) + 0.5) * kPixel, cy = (std::floor(y / kPixel) + 0.5) * kPixel;
    for (auto it = m_ops.rbegin(); it != m_ops.rend(); ++it) {
        const DrawOp& op = *it;
        if (cx < op.left || cy < op.top || cx >= op.left + op.width || cy >= op.top + op.height) continue;
        if (op.kind == DrawOp::Kind::Fill) return op.rgb;
        const Picture& p = *op.picture;
        if (op.width <= 0 || op.height <= 0) continue;
        int px = static_cast<int>((cx - op.left) / op.width * p.PixelWidth());
        int py = static_cast<int>((cy - op.top) / op.height * p.PixelHeight());
        uint32_t argb = p.PixelAt(px, py);
        if ((argb >> 24) == 0) continue;
        return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
    }
    return std::nullopt;
}

PictureRef Picture::Empty() {
    static const PictureRef empty = std::make_shared<Picture>();
    return empty;
}

PictureRef Picture::FromPixels(int width, int height, std::vector<uint32_t> argb, std::string source) {
    if (width <= 0 || height <= 0 || argb.size() != static_cast<size_t>(width) * height)
        throw HostError(ErrorNumber::InvalidPicture, "Invalid picture");
    auto p = std::make_shared<Picture>();
    p->m_handle = g_nextHandle++;
    p->m_width = width;
    p->m_height = height;
    p->m_pixels = std::move(argb);
    p->m_source = std::move(source);
    return p;
}

PictureRef Picture::FromDrawing(std::shared_ptr<const Drawing> drawing, double widthTwips, double heightTwips,
                                uint32_t backRgb) {
    auto p = std::make_shared<Picture>();
    p->m_handle = g_nextHandle++;
    p->m_widthTwips = std::max(0.0, widthTwips);
    p->m_heightTwips = std::max(0.0, heightTwips);
    p->m_width = static_cast<int>(std::ceil(p->m_widthTwips / Drawing::kPixel));
    p->m_height = static_cast<int>(std::ceil(p->m_heightTwips / Drawing::kPixel));
    p->m_back = backRgb & 0xFFFFFF;
    p->m_drawing = std::move(drawing);
    return p;
}

uint32_t Picture::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    if (m_drawing) {
        auto c = m_drawing->ColourAt((x + 0.5) * Drawing::kPixel, (y + 0.5) * Drawing::kPixel);
        uint32_t rgb = c ? *c : m_back;
        return 0xFF000000u | (RedOf(rgb) << 16) | (GreenOf(rgb) << 8) | BlueOf(rgb);
    }
    return m_pixels[static_cast<size_t>(y) * m_width + x];
}

}  // namespace stolvane
