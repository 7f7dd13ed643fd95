// SPDX-License-Identifier: MIT
#include "host/popup_menu.h"

#include <algorithm>

#include "core/units.h"
#include "host/runtime.h"

namespace stolvane {

PopupMenuForm BuildPopupMenu(Runtime& rt, MenuItem& root, MenuItem* defaultItem) {
    PopupMenuForm out;
    std::vector<MenuItem*> items;
    for (MenuItem* m : root.Items())
        if (m->Visible()) items.push_back(m);
    if (items.empty()) return out;
    Form& menu = rt.NewForm("popupMenu", 100, 100);
    menu.SetBorderStyle(Form::None);
    menu.SetBackColour(SysColour::Menu);
    double y = 45, width = 0;
    std::vector<Line*> rules;
    for (MenuItem* m : items) {
        if (m->Caption() == "-") {
            // A sunken rule: shadow above highlight.
            for (auto [colour, dy] : {std::pair{SysColour::ButtonShadow, 45.0}, {SysColour::ButtonHighlight, 60.0}}) {
                Line& l = menu.Add<Line>("sep");
                l.SetColour(colour);
                l.SetEnds(45, y + dy, 0, y + dy);  // widened below
                rules.push_back(&l);
            }
            y += 120;
            continue;
        }
        Label& l = menu.Add<Label>("item");
        Font font = *menu.GetFont();
        font.bold = m == defaultItem;
        font.weight = font.bold ? 700 : 400;
        l.SetFont(font);
        l.SetAutoSize(true);
        l.SetTransparent(true);
        l.SetForeColour(SysColour::MenuText);
        l.SetCaption(m->Caption());
        l.SetEnabled(m->Enabled());
        l.Move(300, y + 30, l.Width(), l.Height());
        width = std::max(width, l.Width());
        out.rows.emplace_back(&l, m);
        y += 270;
    }
    const double W = width + 900, H = y + 45;
    menu.Move(PixelsToTwips(rt.CursorPosition().x), PixelsToTwips(rt.CursorPosition().y), W, H);
    for (Line* l : rules) l->SetX2(W - 60);
    // The raised frame of a classic menu: face and highlight at the top and left, dark shadow
    // and shadow at the bottom and right.
    auto edge = [&](OleColour c, double x1, double y1, double x2, double y2) {
        Line& l = menu.Add<Line>("frame");
        l.SetColour(c);
        l.SetEnds(x1, y1, x2, y2);
    };
    edge(SysColour::ButtonLight, 0, 0, W - 15, 0);
    edge(SysColour::ButtonLight, 0, 0, 0, H - 15);
    edge(SysColour::ButtonHighlight, 15, 15, W - 30, 15);
    edge(SysColour::ButtonHighlight, 15, 15, 15, H - 30);
    edge(SysColour::ButtonShadow, 15, H - 30, W - 15, H - 30);
    edge(SysColour::ButtonShadow, W - 30, 15, W - 30, H - 15);
    edge(SysColour::DarkShadow, 0, H - 15, W, H - 15);
    edge(SysColour::DarkShadow, W - 15, 0, W - 15, H);
    out.form = &menu;
    return out;
}

void HighlightPopupRow(PopupMenuForm& menu, int row) {
    for (int i = 0; i < static_cast<int>(menu.rows.size()); ++i) {
        Label* label = menu.rows[i].first;
        label->SetTransparent(i != row);
        label->SetBackColour(SysColour::SelectionHighlight);
        label->SetForeColour(i == row ? SysColour::SelectionText : SysColour::MenuText);
    }
}

}  // namespace stolvane
