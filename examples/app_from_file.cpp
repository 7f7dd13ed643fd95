// SPDX-License-Identifier: MIT
// An application around a form written by hand (app_from_file.json): the form is loaded from its
// file, handlers are attached to what it holds by name, a timer advances a progress panel, the
// form's keys give a shortcut, and anchors keep the layout whole as the window is resized.
//
//   example_app_from_file [FORM.json]               opens the form in a window (needs a display)
//   example_app_from_file --headless [-o OUT.png]   presses Enter, lets the virtual clock run
//                                                   until the copy is done, grows the form and
//                                                   prints what happened
#include <iostream>
#include <string>

#include "controls/button/tolvanebutton.h"
#include "controls/caption/tolvanecaption.h"
#include "controls/panel/tolvanepanel.h"
#include "controls/tick/tolvanetick.h"
#include "host/form_file.h"
#include "host/keys.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/window.h"

#ifndef STOLVANE_EXAMPLES_DIR
#define STOLVANE_EXAMPLES_DIR "."
#endif

using namespace stolvane;

namespace {

// Wires the loaded form: Start runs the copy, Close and Ctrl+Q close the window.
void Attach(Runtime& rt, Form& form) {
    auto& start = form.Find<TolvaneButton>("cmdStart");
    auto& progress = form.Find<TolvanePanel>("pnlProgress");
    auto& status = form.Find<TolvanePanel>("pnlStatus");
    auto& verify = form.Find<TolvaneTick>("tikVerify");
    auto& timer = form.FindElement<Timer>("tmrCopy");

    start.Click += [&] {
        start.SetEnabled(False);
        status.SetCaption(" Copying...");
        timer.SetEnabled(true);
    };
    timer.onTick = [&] {
        const int16_t percent = static_cast<int16_t>(progress.Percentage() + 10);
        progress.SetPercentage(percent);
        progress.SetCaption(std::to_string(percent) + " %");
        if (percent < 100) return;
        timer.SetEnabled(false);
        status.SetCaption(verify.Value() ? " Done, and verified." : " Done.");
    };
    auto close = [&rt, &form] { rt.UnloadForm(form); };
    form.Find<TolvaneButton>("cmdClose").Click += close;
    form.Find<TolvaneCaption>("capTitle").HaltClick += close;
    // The form previews keys ("keyPreview"): Ctrl+Q closes it whatever has the focus.
    form.KeyDown += [close](int16_t& keyCode, int16_t& shift) {
        if (keyCode == 'Q' && shift == ShiftKey::Ctrl) {
            keyCode = 0;
            close();
        }
    };
    form.Resize += [&status, &form] {
        status.SetCaption(" " + std::to_string(static_cast<int>(form.Width() / 15)) + " x " +
                          std::to_string(static_cast<int>(form.Height() / 15)) + " pixels");
    };
}

}  // namespace

int main(int argc, char** argv) {
    bool headless = false;
    std::string output, path = std::string(STOLVANE_EXAMPLES_DIR) + "/app_from_file.json";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--headless") headless = true;
        else if (a == "-o" && i + 1 < argc) output = argv[++i];
        else if (!a.empty() && a[0] != '-') path = a;
        else {
            std::cerr << "usage: " << argv[0] << " [FORM.json] [--headless [-o OUT.png]]\n";
            return 2;
        }
    }

    Runtime rt;
    Form* loaded = nullptr;
    try {
        loaded = &LoadFormFile(rt, path);
        Attach(rt, *loaded);
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    Form& form = *loaded;

    if (!headless) {
        if (!WindowHost::DisplayAvailable()) {
            std::cerr << "no display to open a window on; try --headless\n";
            return 1;
        }
        WindowHost host(rt);
        host.Run(form);
        return 0;
    }

    rt.SetFocusOnShow(true);
    rt.ShowForm(form);
    auto& progress = form.Find<TolvanePanel>("pnlProgress");
    auto& status = form.Find<TolvanePanel>("pnlStatus");
    rt.KeyDown(KeyCode::Return, 0);  // the default button: Start
    rt.Advance(1000);
    std::cout << "after 1 s: " << progress.Caption() << "\n";
    rt.Advance(1000);
    std::cout << "after 2 s: " << progress.Caption() << "," << status.Caption() << "\n";
    form.Move(form.Left(), form.Top(), 9000, 4500);
    const Surface& close = form.Find<TolvaneButton>("cmdClose").GetSurface();
    std::cout << "grown to 9000 x 4500: Close at " << close.Left() << ", " << close.Top() << ";"
              << status.Caption() << "\n";
    if (!output.empty()) {
        FormRenderer renderer(rt, form);
        WritePng(renderer.RepaintAll(), output);
    }
    rt.KeyDown('Q', ShiftKey::Ctrl);
    std::cout << (rt.IsLoaded(form) ? "still open" : "closed by Ctrl+Q") << "\n";
    return 0;
}
