// SPDX-License-Identifier: MIT
#include "host/message_box.h"

#include <algorithm>
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

MessageBoxForm BuildMessageBox(Runtime& rt, const std::string& text, const std::string& title, const Form* owner) {
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

    const double buttonW = 1125, buttonH = 345;
    const double clientW = std::max(885 + textW + 270, buttonW + 600);
    const double buttonTop = std::max(165 + 480.0, textTop + textH) + 240;
    const double clientH = buttonTop + buttonH + 180;
    const double bx = std::round((clientW - buttonW) / 2 / 15) * 15;

    // The OK button: a face that takes the pointer, its caption in the middle, and a raised
    // bevel inside the dark frame of a dialog's default button.
    Image& face = box.Add<Image>("cmdOK");
    face.Move(bx, buttonTop, buttonW, buttonH);
    Label& ok = box.Add<Label>("lblOK");
    ok.SetFont(font);
    ok.SetAlignment(2);
    ok.SetTransparent(true);
    ok.SetCaption("OK");
    const double okTextH = rt.MeasureText(font, "OK", 0).height;
    ok.Move(bx + 60, buttonTop + std::round((buttonH - okTextH) / 2 / 15) * 15, buttonW - 120, okTextH);
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
    // Outer dark frame (default button), then highlight and shadow inside it.
    edge(SysColour::DarkShadow, SysColour::DarkShadow, 0, 0, W, 0);
    edge(SysColour::DarkShadow, SysColour::DarkShadow, 0, 0, 0, H);
    edge(SysColour::DarkShadow, SysColour::DarkShadow, 0, H - 15, W, H - 15);
    edge(SysColour::DarkShadow, SysColour::DarkShadow, W - 15, 0, W - 15, H);
    edge(SysColour::ButtonHighlight, SysColour::ButtonShadow, 15, 15, W - 30, 15);
    edge(SysColour::ButtonHighlight, SysColour::ButtonShadow, 15, 15, 15, H - 30);
    edge(SysColour::ButtonShadow, SysColour::ButtonFace, 15, H - 30, W - 15, H - 30);
    edge(SysColour::ButtonShadow, SysColour::ButtonFace, W - 30, 15, W - 30, H - 15);

    auto press = [edges](bool down) {
        for (const Edge& e : edges) e.line->SetColour(down ? e.pressed : e.raised);
    };
    Form* self = &box;
    for (Element* e : {static_cast<Element*>(&face), static_cast<Element*>(&ok)}) {
        e->onMouseDown = [press](MouseArgs&) { press(true); };
        e->onMouseUp = [press](MouseArgs&) { press(false); };
        e->onClick = [&rt, self] { rt.HideForm(*self); };
    }

    box.Move(0, 0, clientW, clientH);
    if (owner) box.CentreOn(*owner);
    MessageBoxForm out;
    out.form = &box;
    out.answer = [&rt, self] { rt.HideForm(*self); };
    return out;
}

}  // namespace stolvane
