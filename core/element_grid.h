// SPDX-License-Identifier: MIT
// A grid over the elements of a surface by their bounds, so that repainting an area or
// hit-testing a point looks only at the elements near it, however many the surface holds.
// Surfaces with many elements keep one (see Surface::Grid) and keep it up to date as elements
// are added or move; removing an element drops it, to be built again when next asked for.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include <stolvane/core/elements.h>

namespace stolvane {

class ElementGrid {
public:
    // Indexes the elements; their order (the z-order) is kept in every answer.
    explicit ElementGrid(const std::vector<std::unique_ptr<Element>>& elements);
    // An element added on top of the others.
    void Add(Element& e);
    // Follows an element whose bounds may have changed.
    void Update(const Element& e);
    // The elements whose bounds meet the rectangle (edges included), bottom-most first. What
    // an element draws beyond its bounds is the caller's margin to add to the rectangle.
    void Query(const Rect& area, std::vector<Element*>& out) const;

private:
    struct Entry {
        Element* element;
        Rect rect;  // the bounds it is filed under
        int32_t cx0, cy0, cx1, cy1;
        bool large;  // spans too many cells: kept in m_large, checked on every query
    };
    void File(uint32_t id);
    void Unfile(uint32_t id);
    int32_t CellX(double x) const;
    int32_t CellY(double y) const;
    static uint64_t Key(int32_t cx, int32_t cy) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(cx)) << 32) | static_cast<uint32_t>(cy);
    }

    double m_cellWidth = 1, m_cellHeight = 1;
    std::vector<Entry> m_entries;  // in z-order
    std::unordered_map<const Element*, uint32_t> m_ids;
    std::unordered_map<uint64_t, std::vector<uint32_t>> m_cells;
    std::vector<uint32_t> m_large;
    mutable std::vector<uint32_t> m_seen;  // per entry: the query that last collected it
    mutable uint32_t m_query = 0;
};

}  // namespace stolvane
