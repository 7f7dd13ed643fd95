// SPDX-License-Identifier: MIT
#include "core/picture.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <unordered_set>

#include "core/errors.h"

namespace stolvane {

namespace {
std::atomic<uint64_t> g_nextHandle{1};

bool IsPixel(const DrawOp& o) {
    return o.kind == DrawOp::Kind::Fill && o.width == Drawing::kPixel && o.height == Drawing::kPixel;
}
bool IsEmptied(const DrawOp& o) { return o.kind == DrawOp::Kind::Fill && o.width == 0 && o.height == 0; }
uint64_t PixelKey(const DrawOp& o) {
    auto x = static_cast<uint32_t>(static_cast<int32_t>(std::floor(o.left / Drawing::kPixel)));
    auto y = static_cast<uint32_t>(static_cast<int32_t>(std::floor(o.top / Drawing::kPixel)));
    return (static_cast<uint64_t>(x) << 32) | y;
}

bool Covers(const DrawOp& outer, const DrawOp& inner) {
    return outer.left <= inner.left && outer.top <= inner.top &&
           outer.left + outer.width >= inner.left + inner.width &&
           outer.top + outer.height >= inner.top + inner.height;
}
}  // namespace

void Drawing::Clear() {
    m_ops.clear();
    m_points.clear();
    m_emptied = 0;
    m_compactAt = 256;
}

void Drawing::Add(DrawOp op) {
    if (IsPixel(op)) {
        auto [it, added] = m_points.try_emplace(PixelKey(op), m_ops.size());
        if (!added) {
            DrawOp& earlier = m_ops[it->second];
            if (it->second + 1 == m_ops.size()) {
                earlier.rgb = op.rgb;  // the same pixel plotted again: nothing lies between
                return;
            }
            // Painted over by the new point: left empty (nothing to paint or read back).
            earlier.width = earlier.height = 0;
            ++m_emptied;
            it->second = m_ops.size();
        }
    }
    m_ops.push_back(std::move(op));
    if (m_emptied > 256 && 2 * m_emptied > m_ops.size()) {
        Compact();
    } else if (m_ops.size() >= m_compactAt) {
        Compact();
        m_compactAt = std::max<size_t>(256, 2 * m_ops.size());
    }
}

// Drops every operation that a later fill covers entirely. Walking from the newest down, single
// pixels are looked up in a set and larger fills are checked against the few larger fills that
// came later, so a drawing made of many points compacts in about linear time.
void Drawing::Compact() {
    std::unordered_set<uint64_t> laterPixels;
    std::vector<const DrawOp*> laterFills;
    auto pixelKey = PixelKey;
    auto isPixel = IsPixel;
    std::vector<bool> keep(m_ops.size(), true);
    for (size_t i = m_ops.size(); i-- > 0;) {
        const DrawOp& op = m_ops[i];
        bool hidden = IsEmptied(op) || (isPixel(op) && laterPixels.count(pixelKey(op)));
        for (size_t k = 0; !hidden && k < laterFills.size(); ++k) hidden = Covers(*laterFills[k], op);
        if (hidden) {
            keep[i] = false;
            continue;
        }
        if (isPixel(op))
            laterPixels.insert(pixelKey(op));
        else if (op.kind == DrawOp::Kind::Fill)
            laterFills.push_back(&op);
    }
    std::vector<DrawOp> kept;
    kept.reserve(m_ops.size());
    for (size_t i = 0; i < m_ops.size(); ++i)
        if (keep[i]) kept.push_back(std::move(m_ops[i]));
    m_ops = std::move(kept);
    IndexPoints();
}

void Drawing::IndexPoints() {
    m_points.clear();
    m_emptied = 0;
    for (size_t i = 0; i < m_ops.size(); ++i)
        if (IsPixel(m_ops[i])) m_points[PixelKey(m_ops[i])] = i;
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
        throw Errors::InvalidPicture();
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
