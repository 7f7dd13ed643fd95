// SPDX-License-Identifier: MIT
#include "forms/samples/samples.h"

#include <algorithm>
#include <memory>

#include "controls/button/tolvanebutton.h"
#include "controls/label/tolvanelabel.h"
#include "controls/panel/tolvanepanel.h"
#include "core/host.h"

namespace stolvane::samples {

// Page 0 is also the design's text (forms/samples/frmSamples.json); keep the two alike.
const std::array<Page, kPages>& Pages() {
    static const std::array<Page, kPages> pages{{
        {"About... 'TolvanePanel'",
         {"The main QUIL I control, the 'TolvanePanel' is a very versatile control. It has two borders, an outer and "
          "an inner one, each raised, sunken or hidden, and the width of the space between them can be set at will.",
          "The TolvanePanel can also be configured using many graphical options. A picture can be tiled across it, "
          "centred in it or stretched to fill it, and the panel renders gradients from top to bottom or from left to "
          "right.",
          "The panel can also be set to be mouse sensitive - disappearing when the mouse passes over it, in the "
          "Windows '98 style. It can carry a resize grip in its corner too: dragging the grip resizes the main form, "
          "just like a status bar.",
          "Using the 'percentage' property, developers can use the panel as a status bar - the progress indicator "
          "will invert any images, gradients or text within the control - giving extra clarity. The panel can also "
          "contain other controls and group them together."}},
        {"About... 'TolvaneButton'",
         {"The 'TolvaneButton' was the main tool for which the QUIL I object set was devised. It comes in four "
          "styles - Windows '95, Tolvane, Windows '98 and Windows 3.1 - chosen by its 'ButtonStyle' property.",
          "Its 'hyperlink' property takes a web address: a click then opens the system's default browser to show "
          "the page, image or data set found there.",
          "The button can also carry a picture, aligned to the top, bottom, left or right of its caption, and a "
          "separate picture can be set for the button while it is disabled.",
          ""}},
        {"About... 'TolvaneLabel'",
         {"The 'TolvaneLabel' is an extension of our Windows '98 style controls, in the sense that it reacts to "
          "mouse activity. When the mouse passes over it, the label lights up (or darkens) to its 'active' colour, "
          "and takes its own colour again when the mouse leaves.",
          "", "", ""}},
        {"About... 'TolvaneTick'",
         {"The 'TolvaneTick' is another Windows '98 style control in the guise of a check-box. The icon of its "
          "ticked state can be set - a tick or a cross - and, like the label, it reacts to the mouse passing over "
          "it.",
          "", "", ""}},
        {"About... 'TolvaneCaption'",
         {"The 'TolvaneCaption' was initially devised to enhance the Tolvane Productions splash screen, but is now "
          "so versatile it can be used to control any sort of form - from MDI to SDI. This control will "
          "automatically detect and replicate any Windows '98 caption colour scheme if you set it's m_Grad_Lef and "
          "m_Grad_Rig properties to",
          "that of the ActiveTitleBar.", "", ""}},
    }};
    return pages;
}

namespace {

template <class T>
T& Find(Form& form, const char* name, int index = -1) {
    auto* c = dynamic_cast<T*>(form.FindControl(name, index));
    if (!c) throw HostError(ErrorNumber::InvalidCall, std::string("frmSamples lacks ") + name);
    return *c;
}

struct State {
    int16_t iPage = 0;
};

}  // namespace

void Attach(Form& form) {
    auto state = std::make_shared<State>();
    TolvaneButton* direction[2] = {&Find<TolvaneButton>(form, "tpbDirection", 0),
                                   &Find<TolvaneButton>(form, "tpbDirection", 1)};
    TolvaneLabel* name = &Find<TolvaneLabel>(form, "tplName");
    TolvaneLabel* des[4];
    for (int i = 0; i < 4; ++i) des[i] = &Find<TolvaneLabel>(form, "tplDes", i);

    form.onLoad = [state] { state->iPage = 0; };

    // The descriptions stand where the design puts them, as tall as it makes them, unless a page's
    // text needs more lines than that (the fonts here wrap wider than the design's did): then the
    // description grows and the ones below it move down. None is left overlapping the next, whose
    // opaque background would cover the last pixel row of the text above (underscores, descenders).
    struct Place {
        double top, height;
    };
    auto design = std::make_shared<std::array<Place, 4>>();
    for (int i = 0; i < 4; ++i) (*design)[i] = {des[i]->GetSurface().Top(), des[i]->GetSurface().Height()};
    auto layOut = [design, des] {
        double below = 0;
        for (int i = 0; i < 4; ++i) {
            Surface& s = des[i]->GetSurface();
            const std::string& text = des[i]->Caption();
            const double needed =
                text.empty() ? 0 : s.GetHost().MeasureText(*des[i]->Font(), text, s.Width()).height;
            const double top = std::max((*design)[i].top, below);
            const double height = std::max((*design)[i].height, needed);
            if (s.Top() != top || s.Height() != height) s.Move(s.Left(), top, s.Width(), height);
            below = top + height;
        }
    };
    layOut();

    auto showPage = [state, name, des, layOut] {
        if (state->iPage < 0 || state->iPage >= kPages) return;
        const Page& page = Pages()[static_cast<size_t>(state->iPage)];
        name->SetCaption(page.title);
        for (int i = 0; i < 4; ++i) des[i]->SetCaption(page.lines[i]);
        layOut();
    };
    for (int i = 0; i < 2; ++i) {
        direction[i]->Click += [state, direction, showPage, i] {
            if (i == 0) {
                state->iPage -= 1;
                if (state->iPage == 0) direction[0]->SetEnabled(False);
                if (state->iPage < kPages - 1) direction[1]->SetEnabled(True);
            } else {
                state->iPage += 1;
                if (state->iPage == kPages - 1) direction[1]->SetEnabled(False);
                if (state->iPage > 0) direction[0]->SetEnabled(True);
            }
            showPage();
        };
    }

    // A click on the body or on a description closes the viewer; the title and its small
    // panel have no handler.
    Form* self = &form;
    auto close = [self] { self->GetHost().UnloadForm(*self); };
    Find<TolvanePanel>(form, "TolvanePanel1").Click += close;
    for (TolvaneLabel* d : des) d->Click += close;
    // Escape closes it too (the form previews keys; Enter pages on, its default button).
    form.KeyDown += [close](int16_t& keyCode, int16_t& shift) {
        if (keyCode != 27 || shift != 0) return;
        keyCode = 0;
        close();
    };
}

}  // namespace stolvane::samples
