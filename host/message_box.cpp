// SPDX-License-Identifier: MIT
#include "host/message_box.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "host/runtime.h"

namespace stolvane {

namespace {

// The information sign, 32 x 32 pixels: a blue disc with a white "i", its edges smoothed.
PictureRef InformationIcon() {
    constexpr int n = 32;
    std::vector<uint32_t> px(n * n, 0);
    auto coverage = [](double distanceInside) { return std::clamp(distanceInside + 0.5, 0.0, 1.0); };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double cx = x + 0.5 - 16, cy = y + 0.5 - 16;
            const double disc = coverage(14.5 - std::hypot(cx, cy));
            if (disc <= 0) continue;
            // The letter: a dot and a stem.
            const double dot = coverage(2.6 - std::hypot(cx, cy + 7.5));
            const double stem = (std::abs(cx) <= 2.2 && cy >= -3 && cy <= 9) ? 1.0 : 0.0;
            const double white = std::max(dot, stem);
            const auto channel = [&](double blue, double w) { return static_cast<uint32_t>(std::lround(blue * (1 - w) + 255 * w)); };
            const uint32_t r = channel(0, white), g = channel(0, white), b = channel(255, white);
            const uint32_t a = static_cast<uint32_t>(std::lround(255 * disc));
            // Premultiplied by the edge's coverage.
            px[y * n + x] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
        }
    return Picture::FromPixels(n, n, std::move(px), "information");
}

}  // namespace

MessageBoxForm BuildMessageBox(Runtime& rt, const std::string& text, const std::string& title, const Form* owner,
                               std::vector<std::string> buttons, int defaultIndex, int cancelIndex) {
    Form& box = rt.NewForm("msgBox", 3000, 1500);
    box.SetBorderStyle(Form::FixedDialog);
    box.SetCaption(title);
    box.SetBackColour(SysColour::ButtonFace);

    // Text wider than a third of a screen line wraps.
    const Font& font = *box.GetFont();
    const double wrap = 5400;
    Rect size = rt.MeasureText(font, text, 0);
    if (size.width > wrap) size = rt.MeasureText(font, text, wrap);
    const double textW = std::max(size.width, 1200.0), textH = std::max(size.height, 195.0);

    Image& icon = box.Add<Image>("imgIcon");
    icon.SetPicture(InformationIcon());
    icon.Move(165, 165, 480, 480);

    Label& message = box.Add<Label>("lblText");
    message.SetFont(font);
    message.SetTransparent(true);
    message.SetWordWrap(true);
    message.SetCaption(text);
    const double textTop = textH < 480 ? 165 + (480 - textH) / 2 : 165;
    message.Move(885, textTop, textW + 30, textH);

    if (buttons.empty()) buttons = {"OK"};
    const int count = static_cast<int>(buttons.size());
    defaultIndex = std::clamp(defaultIndex, 0, count - 1);
    cancelIndex = std::clamp(cancelIndex, 0, count - 1);
    const double buttonW = 1125, buttonH = 345, gap = 90;
    const double rowW = count * buttonW + (count - 1) * gap;
    const double clientW = std::max(885 + textW + 270, rowW + 600);
    const double buttonTop = std::max(165 + 480.0, textTop + textH) + 240;
    const double clientH = buttonTop + buttonH + 180;
    const double rowLeft = std::round((clientW - rowW) / 2 / 15) * 15;

    auto chosen = std::make_shared<int>(cancelIndex);
    Form* self = &box;
    for (int i = 0; i < count; ++i) {
        const double bx = rowLeft + i * (buttonW + gap);
        const bool isDefault = i == defaultIndex;
        // A button: a face that takes the pointer, its caption in the middle, and a raised
        // bevel; the default one's inside a dark frame.
        Image& face = box.Add<Image>(i == 0 ? "cmdOK" : "cmdButton" + std::to_string(i + 1));
        face.Move(bx, buttonTop, buttonW, buttonH);
        Label& caption = box.Add<Label>(i == 0 ? "lblOK" : "lblButton" + std::to_string(i + 1));
        caption.SetFont(font);
        caption.SetAlignment(2);
        caption.SetTransparent(true);
        caption.SetCaption(buttons[i]);
        const double captionH = rt.MeasureText(font, buttons[i], 0).height;
        caption.Move(bx + 60, buttonTop + std::round((buttonH - captionH) / 2 / 15) * 15, buttonW - 120, captionH);
        struct Edge {
            Line* line;
            OleColour raised, pressed;
        };
        std::vector<Edge> edges;
        auto edge = [&](OleColour raised, OleColour pressed, double x1, double y1, double x2, double y2) {
            Line& l = box.Add<Line>("okFrame");
            l.SetColour(raised);
            l.SetEnds(bx + x1, buttonTop + y1, bx + x2, buttonTop + y2);
            edges.push_back({&l, raised, pressed});
        };
        const double W = buttonW, H = buttonH;
        const OleColour lightEdge = isDefault ? SysColour::DarkShadow : SysColour::ButtonHighlight;
        // The outer edges (the default button's dark frame), then highlight and shadow inside.
        edge(lightEdge, SysColour::DarkShadow, 0, 0, W, 0);
        edge(lightEdge, SysColour::DarkShadow, 0, 0, 0, H);
        edge(SysColour::DarkShadow, SysColour::DarkShadow, 0, H - 15, W, H - 15);
        edge(SysColour::DarkShadow, SysColour::DarkShadow, W - 15, 0, W - 15, H);
        edge(isDefault ? SysColour::ButtonHighlight : SysColour::ButtonFace, SysColour::ButtonShadow, 15, 15, W - 30, 15);
        edge(isDefault ? SysColour::ButtonHighlight : SysColour::ButtonFace, SysColour::ButtonShadow, 15, 15, 15, H - 30);
        edge(SysColour::ButtonShadow, SysColour::ButtonFace, 15, H - 30, W - 15, H - 30);
        edge(SysColour::ButtonShadow, SysColour::ButtonFace, W - 30, 15, W - 30, H - 15);

        auto press = [edges](bool down) {
            for (const Edge& e : edges) e.line->SetColour(down ? e.pressed : e.raised);
        };
        for (Element* e : {static_cast<Element*>(&face), static_cast<Element*>(&caption)}) {
            e->onMouseDown = [press](MouseArgs&) { press(true); };
            e->onMouseUp = [press](MouseArgs&) { press(false); };
            e->onClick = [&rt, self, chosen, i] {
                *chosen = i;
                rt.HideForm(*self);
            };
        }
    }

    box.Move(0, 0, clientW, clientH);
    if (owner) box.CentreOn(*owner);
    MessageBoxForm out;
    out.form = &box;
    out.buttons = std::move(buttons);
    out.defaultIndex = defaultIndex;
    out.cancelIndex = cancelIndex;
    out.chosen = chosen;
    out.answer = [&rt, self, chosen](int i) {
        *chosen = i;
        rt.HideForm(*self);
    };
    return out;
}

int MessageBoxForm::AccessKey(char c) const {
    const auto lower = [](char ch) { return static_cast<char>(std::tolower(static_cast<unsigned char>(ch))); };
    for (size_t i = 0; i < buttons.size(); ++i) {
        const size_t amp = buttons[i].find('&');
        if (amp != std::string::npos && amp + 1 < buttons[i].size() && lower(buttons[i][amp + 1]) == lower(c))
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace stolvane
