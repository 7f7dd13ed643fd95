// SPDX-License-Identifier: MIT
#include "core/element_grid.h"

#include <algorithm>
#include <cmath>

namespace stolvane {

namespace {
// An element over more cells than this is checked on every query instead of being filed.
constexpr int64_t kMaxCellsPerElement = 64;
constexpr double kMinCell = 60;  // twips

bool Meets(const Rect& a, const Rect& b) {
    return a.left <= b.Right() && b.left <= a.Right() && a.top <= b.Bottom() && b.top <= a.Bottom();
}
}  // namespace

ElementGrid::ElementGrid(const std::vector<std::unique_ptr<Element>>& elements) {
    // Cells about the size of an average element: most elements fill a cell or a few.
    double w = 0, h = 0;
    int n = 0;
    for (const auto& e : elements) {
        Rect r = e->Bounds();
        if (!std::isfinite(r.width) || !std::isfinite(r.height) || r.width > 1e6 || r.height > 1e6) continue;
        w += r.width;
        h += r.height;
        ++n;
    }
    if (n > 0) {
        m_cellWidth = std::max(kMinCell, w / n);
        m_cellHeight = std::max(kMinCell, h / n);
    } else {
        m_cellWidth = m_cellHeight = 1500;
    }
    m_entries.reserve(elements.size());
    for (const auto& e : elements) Add(*e);
}

int32_t ElementGrid::CellX(double x) const {
    return static_cast<int32_t>(std::clamp(std::floor(x / m_cellWidth), -1e9, 1e9));
}
int32_t ElementGrid::CellY(double y) const {
    return static_cast<int32_t>(std::clamp(std::floor(y / m_cellHeight), -1e9, 1e9));
}

void ElementGrid::Add(Element& e) {
    auto id = static_cast<uint32_t>(m_entries.size());
    m_entries.push_back({&e, e.Bounds(), 0, 0, 0, 0, false});
    m_seen.push_back(0);
    m_ids[&e] = id;
    File(id);
}

void ElementGrid::File(uint32_t id) {
    Entry& en = m_entries[id];
    const Rect& r = en.rect;
    bool finite = std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.width) && std::isfinite(r.height);
    if (finite) {
        en.cx0 = CellX(r.left);
        en.cy0 = CellY(r.top);
        en.cx1 = CellX(r.Right());
        en.cy1 = CellY(r.Bottom());
    }
    en.large = !finite || (int64_t(en.cx1) - en.cx0 + 1) * (int64_t(en.cy1) - en.cy0 + 1) > kMaxCellsPerElement;
    if (en.large) {
        m_large.push_back(id);
        return;
    }
    for (int32_t cy = en.cy0; cy <= en.cy1; ++cy)
        for (int32_t cx = en.cx0; cx <= en.cx1; ++cx) m_cells[Key(cx, cy)].push_back(id);
}

void ElementGrid::Unfile(uint32_t id) {
    Entry& en = m_entries[id];
    auto drop = [id](std::vector<uint32_t>& v) {
        auto it = std::find(v.begin(), v.end(), id);
        if (it != v.end()) v.erase(it);
    };
    if (en.large) {
        drop(m_large);
        return;
    }
    for (int32_t cy = en.cy0; cy <= en.cy1; ++cy)
        for (int32_t cx = en.cx0; cx <= en.cx1; ++cx) {
            auto it = m_cells.find(Key(cx, cy));
            if (it == m_cells.end()) continue;
            drop(it->second);
            if (it->second.empty()) m_cells.erase(it);
        }
}

void ElementGrid::Update(const Element& e) {
    auto it = m_ids.find(&e);
    if (it == m_ids.end()) return;
    Entry& en = m_entries[it->second];
    Rect now = e.Bounds();
    if (now == en.rect) return;
    Unfile(it->second);
    en.rect = now;
    File(it->second);
}

void ElementGrid::Query(const Rect& area, std::vector<Element*>& out) const {
    out.clear();
    if (!(area.width >= 0 && area.height >= 0)) return;
    const int32_t x0 = CellX(area.left), y0 = CellY(area.top), x1 = CellX(area.Right()), y1 = CellY(area.Bottom());
    const int64_t cells = (int64_t(x1) - x0 + 1) * (int64_t(y1) - y0 + 1);
    if (cells > static_cast<int64_t>(m_cells.size()) || cells > static_cast<int64_t>(m_entries.size())) {
        // An area larger than the grid holds: every element, checked in order.
        for (const Entry& en : m_entries)
            if (Meets(en.rect, area) || en.large) out.push_back(en.element);
        return;
    }
    if (++m_query == 0) {
        std::fill(m_seen.begin(), m_seen.end(), 0);
        m_query = 1;
    }
    std::vector<uint32_t> ids;
    auto take = [&](uint32_t id) {
        if (m_seen[id] == m_query) return;
        m_seen[id] = m_query;
        const Entry& en = m_entries[id];
        if (en.large || Meets(en.rect, area)) ids.push_back(id);
    };
    for (int32_t cy = y0; cy <= y1; ++cy)
        for (int32_t cx = x0; cx <= x1; ++cx) {
            auto it = m_cells.find(Key(cx, cy));
            if (it == m_cells.end()) continue;
            for (uint32_t id : it->second) take(id);
        }
    for (uint32_t id : m_large) take(id);
    std::sort(ids.begin(), ids.end());
    out.reserve(ids.size());
    for (uint32_t id : ids) out.push_back(m_entries[id].element);
}

}  // namespace stolvane
