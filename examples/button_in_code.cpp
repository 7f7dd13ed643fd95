// SPDX-License-Identifier: MIT
// A form built in C++ rather than loaded from a file: a TolvaneLabel that counts and a
// TolvaneButton whose Click handler changes the label.
//
//   example_button_in_code              opens the form in a window (needs a display)
//   example_button_in_code --headless   clicks the button three times with the mouse and once
//                                       with its access key, without a window, and prints
//                                       the label after each click
//   ... --headless -o counter.png       also writes the form as it looks at the end
#include <iostream>
#include <string>

#include "controls/button/tolvanebutton.h"
#include "controls/label/tolvanelabel.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/window.h"

using namespace stolvane;

namespace {

struct CounterForm {
    Form* form = nullptr;
    TolvaneLabel* label = nullptr;
    TolvaneButton* button = nullptr;
    int clicks = 0;
};

// Places the two controls and wires the button's Click to the label.
CounterForm BuildCounterForm(Runtime& rt) {
    CounterForm c;
    Form& f = rt.NewForm("frmCounter", 4200, 1800);
    f.SetCaption("Counter");
    f.SetFont(MakeFont("Tahoma", 8.25));
    c.form = &f;

    c.label = &rt.Place<TolvaneLabel>(f, "lblCount", {300, 300, 3600, 210});
    c.label->SetCaption("Not clicked yet");

    c.button = &rt.Place<TolvaneButton>(f, "btnCount", {1200, 840, 1800, 480});
    c.button->SetButtonStyle(ButtonType::tbtWin95);
    c.button->SetCaption("&Count");

    TolvaneLabel* label = c.label;
    int* clicks = &c.clicks;
    c.button->Click += [label, clicks] {
        ++*clicks;
        label->SetCaption("Clicked " + std::to_string(*clicks) + (*clicks == 1 ? " time" : " times"));
    };
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    bool headless = false;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--headless") {
            headless = true;
        } else if (a == "-o" && i + 1 < argc) {
            output = argv[++i];
        } else {
            std::cerr << "usage: " << argv[0] << " [--headless [-o OUT.png]]\n";
            return 2;
        }
    }

    Runtime rt;
    // The counter lives on the stack of main for as long as the form does.
    CounterForm counter = BuildCounterForm(rt);
    Form& f = *counter.form;

    if (!headless) {
        if (!WindowHost::DisplayAvailable()) {
            std::cerr << "no display to open a window on; try --headless\n";
            return 1;
        }
        WindowHost host(rt);
        host.Run(f);
        return 0;
    }

    rt.ShowForm(f);
    // The middle of the button, in the form's client twips.
    const Surface& b = counter.button->GetSurface();
    const double x = b.Left() + b.Width() / 2, y = b.Top() + b.Height() / 2;
    for (int i = 0; i < 3; ++i) {
        rt.Mouse(f, MouseAction::Click, x, y, MouseButton::Left, 0);
        std::cout << counter.label->Caption() << "\n";
    }
    // The access key clicks as well: Alt+C.
    rt.AccessKey('c');
    std::cout << counter.label->Caption() << "\n";

    if (!output.empty()) {
        FormRenderer renderer(rt, f);
        WritePng(renderer.RepaintAll(), output);
    }
    return 0;
}
