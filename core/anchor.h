// SPDX-License-Identifier: MIT
// Anchors: the edges of its container a control or a box element keeps its distance to when
// the container changes size. Left and top (the default) keep it where it is; right or bottom
// make it follow that edge; both sides of an axis stretch it; neither keeps it centred.
#pragma once

#include <cstdint>
#include <string>

namespace stolvane {

struct Rect;

namespace AnchorEdge {
constexpr uint8_t Left = 1, Top = 2, Right = 4, Bottom = 8;
constexpr uint8_t Default = Left | Top;
}  // namespace AnchorEdge

// "left,top,right" and back. Parsing takes any order, any case and blanks around the names;
// an unknown or repeated name is refused (380). The text lists the edges as left, top, right,
// bottom; no edge at all is "".
std::string AnchorText(uint8_t edges);
uint8_t ParseAnchor(const std::string& text);

// What anchoring keeps for one control or element: its edges, and its distances to the
// container's edges (taken when the container next changes size after the item was last
// placed by anything but anchoring).
class Anchoring {
public:
    uint8_t Edges() const { return m_edges; }
    void SetEdges(uint8_t edges);  // refuses bits beyond the four edges (380)
    bool IsDefault() const { return m_edges == AnchorEdge::Default; }
    // Takes the distances from the item's bounds in a container of that size (the item was
    // moved or sized by something other than anchoring).
    void Take(const Rect& bounds, double containerWidth, double containerHeight);
    bool Known() const { return m_known; }
    // Where the item goes when its container goes from oldSize to newSize: along an axis
    // anchored to one side only it keeps its distance to that side, to both it stretches (to no
    // less than nothing), to neither it keeps its centre's distance to the container's centre.
    Rect Place(const Rect& current, double oldWidth, double oldHeight, double newWidth, double newHeight);

private:
    uint8_t m_edges = AnchorEdge::Default;
    bool m_known = false;
    double m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;  // distances to the edges
    double m_width = 0, m_height = 0;                         // size when the distances were taken
};

}  // namespace stolvane
