// SPDX-License-Identifier: MIT
// A plugin built on the library: it counts a button's clicks into a label, headlessly.
#include <stolvane/stolvane.h>

#include <string>

extern "C" __attribute__((visibility("default"))) const char* stolvane_plugin_run() {
    static std::string answer;
    stolvane::Runtime rt;
    stolvane::Form& form = rt.NewForm("frmPlugin", 4200, 1800);
    auto& label = rt.Place<stolvane::TolvaneLabel>(form, "lblCount", {300, 300, 3600, 210});
    auto& button = rt.Place<stolvane::TolvaneButton>(form, "btnCount", {1200, 840, 1800, 480});
    button.SetCaption("&Count");
    int clicks = 0;
    button.Click += [&] { label.SetCaption("Clicked " + std::to_string(++clicks)); };
    rt.ShowForm(form);
    rt.AccessKey('c');
    answer = label.Caption() + " (library " + STOLVANE_VERSION_STRING + ")";
    return answer.c_str();
}
