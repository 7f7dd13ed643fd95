// SPDX-License-Identifier: MIT
// The property browser's editor of anchors (`picAnchor`): a picture of a control inside its
// container with a bar from each of the control's sides to the container's edge. A filled bar
// is an edge the control keeps its distance to; a click on a bar, or Space on the current one
// (framed; the arrows pick the bar on their side), anchors or frees that edge. The browser
// opens it over its help text and applies or forgets what it holds.
#pragma once

#include <cstdint>
#include <functional>

#include "core/elements.h"

namespace stolvane {

class Form;
class Runtime;

class AnchorEditor {
public:
    explicit AnchorEditor(Runtime& runtime) : m_rt(runtime) {}
    AnchorEditor(const AnchorEditor&) = delete;
    AnchorEditor& operator=(const AnchorEditor&) = delete;

    // Places `picAnchor` (hidden) on the form at (left, top); it is kWidth x kHeight.
    void Build(Form& form, double left, double top);
    // Shows the editor holding the edges (AnchorEdge bits), the left bar current.
    void Open(uint8_t edges);
    void Close();
    bool IsOpen() const { return m_open; }
    uint8_t Edges() const { return m_edges; }
    uint8_t Current() const { return m_current; }
    // The arrows pick a bar, Space anchors or frees it; true when the key was the editor's.
    bool KeyDown(int16_t keyCode, int16_t shift);
    // Told after every change of the edges.
    std::function<void()> onChange;

    static constexpr double kWidth = 2760, kHeight = 1500;
    // A bar's rectangle in the picture, in twips (the edge's AnchorEdge bit).
    static Rect BarRect(uint8_t edge);

private:
    void Toggle(uint8_t edge);
    void Draw();
    PictureBox& Picture() const;

    Runtime& m_rt;
    Form* m_form = nullptr;
    bool m_open = false;
    uint8_t m_edges = 0;
    uint8_t m_current = 0;
};

}  // namespace stolvane
