// SPDX-License-Identifier: MIT
#include "core/anchor.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/elements.h"
#include "core/types.h"

namespace stolvane {

namespace {
constexpr struct {
    const char* name;
    uint8_t bit;
} kEdges[] = {{"left", AnchorEdge::Left}, {"top", AnchorEdge::Top}, {"right", AnchorEdge::Right},
              {"bottom", AnchorEdge::Bottom}};

std::string Trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    if (b == std::string::npos) return {};
    std::string t = s.substr(b, e - b + 1);
    std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::tolower(c); });
    return t;
}
}  // namespace

std::string AnchorText(uint8_t edges) {
    std::string out;
    for (auto& e : kEdges)
        if (edges & e.bit) out += (out.empty() ? "" : ",") + std::string(e.name);
    return out;
}

uint8_t ParseAnchor(const std::string& text) {
    uint8_t edges = 0;
    if (Trimmed(text).empty()) return 0;
    size_t start = 0;
    while (true) {
        size_t comma = text.find(',', start);
        std::string part = Trimmed(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        uint8_t bit = 0;
        for (auto& e : kEdges)
            if (part == e.name) bit = e.bit;
        if (!bit || (edges & bit)) throw HostError::InvalidProperty();
        edges |= bit;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return edges;
}

void Anchoring::SetEdges(uint8_t edges) {
    if (edges & ~0x0F) throw HostError::InvalidProperty();
    m_edges = edges;
    m_known = false;
}

void Anchoring::Take(const Rect& r, double containerWidth, double containerHeight) {
    m_left = r.left, m_top = r.top;
    m_right = containerWidth - r.Right(), m_bottom = containerHeight - r.Bottom();
    m_width = r.width, m_height = r.height;
    m_known = true;
}

Rect Anchoring::Place(const Rect& r, double oldWidth, double oldHeight, double newWidth, double newHeight) {
    if (!m_known) Take(r, oldWidth, oldHeight);
    // One axis: near and far say which edges hold; size is the container's new extent.
    auto axis = [](bool nearEdge, bool farEdge, double nearDist, double farDist, double ownSize, double current,
                   double currentSize, double extent, double& pos, double& size) {
        if (nearEdge && farEdge) {
            pos = nearDist;
            size = std::max(0.0, extent - nearDist - farDist);
        } else if (farEdge) {
            pos = extent - farDist - currentSize;
            size = currentSize;
        } else if (nearEdge) {
            pos = current;
            size = currentSize;
        } else {
            // The centre keeps its distance to the container's centre (as recorded).
            double oldExtent = nearDist + ownSize + farDist;
            double centreOffset = nearDist + ownSize / 2 - oldExtent / 2;
            pos = std::round(extent / 2 + centreOffset - currentSize / 2);
            size = currentSize;
        }
    };
    Rect out = r;
    axis(m_edges & AnchorEdge::Left, m_edges & AnchorEdge::Right, m_left, m_right, m_width, r.left, r.width, newWidth,
         out.left, out.width);
    axis(m_edges & AnchorEdge::Top, m_edges & AnchorEdge::Bottom, m_top, m_bottom, m_height, r.top, r.height,
         newHeight, out.top, out.height);
    return out;
}

}  // namespace stolvane
