// SPDX-License-Identifier: MIT
#include "host/tooltip_form.h"

#include "host/runtime.h"

namespace stolvane {

Form& BuildToolTipForm(Runtime& rt, const std::string& text, double left, double top) {
    Form& tip = rt.NewForm("toolTip", 100, 100);
    tip.SetBorderStyle(Form::None);
    tip.SetBackColour(SysColour::InfoBackground);
    Label& l = tip.Add<Label>("text");
    l.SetAutoSize(true);
    l.SetTransparent(true);
    l.SetForeColour(SysColour::InfoText);
    l.SetCaption(text);
    // A pixel of frame and two of margin on each side, one above and below.
    l.Move(45, 30, l.Width(), l.Height());
    const double W = l.Width() + 90, H = l.Height() + 60;
    tip.Move(left, top, W, H);
    auto edge = [&](double x1, double y1, double x2, double y2) {
        Line& e = tip.Add<Line>("frame");
        e.SetColour(SysColour::WindowFrame);
        e.SetEnds(x1, y1, x2, y2);
    };
    edge(0, 0, W - 15, 0);
    edge(0, 0, 0, H - 15);
    edge(0, H - 15, W, H - 15);
    edge(W - 15, 0, W - 15, H);
    return tip;
}

}  // namespace stolvane
