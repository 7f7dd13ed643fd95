// SPDX-License-Identifier: MIT
#include "designer/anchor_editor.h"

#include "core/anchor.h"
#include "core/elements.h"
#include "core/form.h"
#include "host/keys.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

// The picture in pixels at scale 1 (184 x 100): the container's white area, the control in
// its middle, and a bar 6 pixels thick from each of the control's sides to the container's
// edge, 2 pixels clear of both.
constexpr int kPixel = 15;
constexpr int kAreaLeft = 8, kAreaTop = 8, kAreaRight = 176, kAreaBottom = 92;
constexpr int kControlLeft = 64, kControlTop = 38, kControlRight = 120, kControlBottom = 62;
constexpr int kBar = 6, kGap = 2;
// A click this many pixels beside a bar still hits it.
constexpr int kReach = 3;

struct PixelRect {
    int x0, y0, x1, y1;  // x1 and y1 exclusive
};

PixelRect BarPixels(uint8_t edge) {
    const int midX = (kControlLeft + kControlRight) / 2, midY = (kControlTop + kControlBottom) / 2;
    switch (edge) {
        case AnchorEdge::Left: return {kAreaLeft + 1 + kGap, midY - kBar / 2, kControlLeft - kGap, midY + kBar / 2};
        case AnchorEdge::Top: return {midX - kBar / 2, kAreaTop + 1 + kGap, midX + kBar / 2, kControlTop - kGap};
        case AnchorEdge::Right:
            return {kControlRight + kGap, midY - kBar / 2, kAreaRight - 1 - kGap, midY + kBar / 2};
        default: return {midX - kBar / 2, kControlBottom + kGap, midX + kBar / 2, kAreaBottom - 1 - kGap};
    }
}

constexpr uint8_t kEdges[] = {AnchorEdge::Left, AnchorEdge::Top, AnchorEdge::Right, AnchorEdge::Bottom};

}  // namespace

Rect AnchorEditor::BarRect(uint8_t edge) {
    const PixelRect p = BarPixels(edge);
    return {double(p.x0 * kPixel), double(p.y0 * kPixel), double((p.x1 - p.x0) * kPixel),
            double((p.y1 - p.y0) * kPixel)};
}

PictureBox& AnchorEditor::Picture() const { return static_cast<PictureBox&>(*m_form->FindAuthored("picAnchor")); }

void AnchorEditor::Build(Form& form, double left, double top) {
    m_form = &form;
    auto& pic = static_cast<PictureBox&>(m_rt.PlaceElement(form, ElementKind::PictureBox, "picAnchor", -1));
    pic.Move(left, top, kWidth, kHeight);
    pic.SetBorder(false);
    pic.SetBackColour(SysColour::ButtonFace);
    pic.SetVisible(false);
    pic.onMouseDown = [this](MouseArgs& a) {
        if (!m_open || a.button != 1) return;
        const double reach = kReach * kPixel;
        for (uint8_t edge : kEdges) {
            const Rect r = BarRect(edge);
            if (a.x >= r.left - reach && a.x < r.Right() + reach && a.y >= r.top - reach && a.y < r.Bottom() + reach) {
                m_current = edge;
                Toggle(edge);
                return;
            }
        }
    };
}

void AnchorEditor::Open(uint8_t edges) {
    m_edges = edges & 0x0F;
    m_current = AnchorEdge::Left;
    m_open = true;
    Draw();
    Picture().SetVisible(true);
}

void AnchorEditor::Close() {
    if (!m_open) return;
    m_open = false;
    Picture().SetVisible(false);
    Picture().Cls();
}

bool AnchorEditor::KeyDown(int16_t keyCode, int16_t shift) {
    if (!m_open || shift != 0) return false;
    switch (keyCode) {
        case KeyCode::Left: m_current = AnchorEdge::Left; break;
        case KeyCode::Up: m_current = AnchorEdge::Top; break;
        case KeyCode::Right: m_current = AnchorEdge::Right; break;
        case KeyCode::Down: m_current = AnchorEdge::Bottom; break;
        case KeyCode::Space: Toggle(m_current); return true;
        default: return false;
    }
    Draw();
    return true;
}

void AnchorEditor::Toggle(uint8_t edge) {
    m_edges ^= edge;
    Draw();
    if (onChange) onChange();
}

void AnchorEditor::Draw() {
    PictureBox& pic = Picture();
    pic.Cls();
    auto fill = [&](const PixelRect& p, OleColour c) {
        pic.FillRect(p.x0 * kPixel, p.y0 * kPixel, (p.x1 - 1) * kPixel, (p.y1 - 1) * kPixel, c);
    };
    auto frame = [&](const PixelRect& p, OleColour edge, OleColour inside) {
        fill(p, edge);
        fill({p.x0 + 1, p.y0 + 1, p.x1 - 1, p.y1 - 1}, inside);
    };
    frame({kAreaLeft, kAreaTop, kAreaRight, kAreaBottom}, SysColour::ButtonShadow, SysColour::Window);
    frame({kControlLeft, kControlTop, kControlRight, kControlBottom}, SysColour::WindowText, SysColour::ButtonFace);
    for (uint8_t edge : kEdges) {
        const PixelRect p = BarPixels(edge);
        // The current bar: a frame one pixel clear of it.
        if (edge == m_current) frame({p.x0 - 2, p.y0 - 2, p.x1 + 2, p.y1 + 2}, SysColour::WindowText, SysColour::Window);
        // Anchored: filled; free: hollow.
        if (m_edges & edge) fill(p, SysColour::SelectionHighlight);
        else frame(p, SysColour::ButtonShadow, SysColour::Window);
    }
}

}  // namespace stolvane
