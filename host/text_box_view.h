// SPDX-License-Identifier: MIT
// How a text box lays its text out, shared by the renderer and the input routing so that what
// is drawn and what the mouse hits agree: the area inside the border (less the scroll bars),
// the text as shown (masked, with the composition at the caret) laid out in that area, wrapped
// at word boundaries when the box is multi-line without a horizontal scroll bar, and where each
// character and each line lies. All in pixels at scale 1, relative to the box.
#pragma once

#include <memory>
#include <vector>

#include "core/text_box.h"
#include "host/text_layouts.h"

namespace stolvane {

class TextBoxView {
public:
    static constexpr int kScrollBarPixels = 16;
    static constexpr int kMarginPixels = 1;  // between the border and the text, left and right

    explicit TextBoxView(const TextBox& box);

    int Border() const { return m_border; }
    bool VerticalBar() const { return m_vbar; }
    bool HorizontalBar() const { return m_hbar; }
    // The text area inside the border and margins, in pixels relative to the box.
    double AreaLeft() const { return m_areaX; }
    double AreaTop() const { return m_areaY; }
    double AreaWidth() const { return m_areaW; }
    double AreaHeight() const { return m_areaH; }
    const TextLayout& Layout() const { return *m_layout; }
    int LineHeight() const { return m_layout->line.height; }
    int LineCount() const { return m_layout->lineCount; }
    // Where the layout's origin lies in the area before scrolling (alignment of one line).
    double OriginX() const { return m_originX; }

    // A character position's caret, in layout pixels (before the area offset and scroll).
    struct Caret {
        double x = 0;
        int line = 0;
    };
    Caret CaretAt(int position) const;
    // The character position nearest a point in layout pixels (snapped to a caret stop by the
    // model when placed).
    int PositionAt(double x, double y) const;
    // The position at the start and end of a laid-out line (wrapped or not).
    int LineStart(int line) const;
    int LineEnd(int line) const;  // before the line break
    // The direction a line is laid out in (its paragraph's: the first strong character's, or
    // for a paragraph without one the paragraph's before it), as a PangoDirection.
    int LineDirection(int line) const;
    // The pieces of layout a range of characters covers, one per line: x0, x1, line.
    struct Span {
        double x0, x1;
        int line;
    };
    std::vector<Span> Spans(int from, int to) const;
    // Where the composition lies in the laid-out text, in bytes; empty when there is none.
    int CompositionStart() const { return m_preeditStart; }
    int CompositionLength() const { return m_preeditLength; }
    int ByteOf(int position) const;

    // The scroll that keeps the caret inside the area, from the current one.
    std::pair<double, double> ScrollFor(const TextBox& box) const;
    // The lines from `from` to `to` (inclusive) as a rectangle in twips relative to the box, for
    // repainting only them.
    Rect LinesArea(const TextBox& box, int from, int to) const;

private:
    int CharAt(int byte) const;
    std::shared_ptr<TextLayout> m_layout;
    std::vector<int> m_offsets;  // byte of each character position of the shown text
    int m_preeditStart = 0, m_preeditLength = 0, m_caret = 0;
    int m_border = 2;
    bool m_vbar = false, m_hbar = false;
    double m_areaX = 0, m_areaY = 0, m_areaW = 0, m_areaH = 0, m_originX = 0;
};

}  // namespace stolvane
