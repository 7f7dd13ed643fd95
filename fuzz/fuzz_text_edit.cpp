// SPDX-License-Identifier: MIT
// Editing sequences on a text box: each input byte picks an action (typing bytes that may not
// be UTF-8, keys with modifiers, selections, paste, undo, redo, composition, settings), run
// through the runtime as the user's input is. After every action the model must hold: valid
// UTF-8 text, a caret and anchor inside it, no line break in a single-line box, typing and
// pasting never passing MaxLength; then undoing everything keeps them too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/text_box.h"
#include "host/runtime.h"
#include "host/text_box_view.h"

using namespace stolvane;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

bool g_wasMultiLine = false;  // a box made single-line keeps the line breaks it had

void CheckInvariants(const TextBox& box) {
    const TextEdit& e = box.Editor();
    const std::string text = e.Text();
    Check(DecodeUtf8(text) == e.Chars());
    Check(e.Caret() >= 0 && e.Caret() <= e.Length());
    Check(e.Anchor() >= 0 && e.Anchor() <= e.Length());
    if (e.MultiLine()) g_wasMultiLine = true;
    if (!g_wasMultiLine) Check(text.find('\n') == std::string::npos);
    Check(text.find('\r') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Runtime runtime;
    static Form& form = runtime.NewForm("frmFuzz", 3000, 2000);
    static bool shown = (runtime.ShowForm(form), true);
    (void)shown;
    static TextBox& box = [] () -> TextBox& {
        auto& b = static_cast<TextBox&>(runtime.PlaceElement(form, ElementKind::TextBox, "txtFuzz", -1));
        b.Move(0, 0, 1500, 600);
        return b;
    }();
    box.SetLocked(false);
    box.SetMaxLength(0);
    box.SetMultiLine(false);
    box.SetPasswordChar("");
    box.SetText("");
    runtime.FocusTextBox(box);
    g_wasMultiLine = false;
    static const int16_t keys[] = {8, 13, 33, 34, 35, 36, 37, 38, 39, 40, 45, 46, 65, 67, 86, 88, 89, 90};
    size_t i = 0;
    auto next = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    while (i < size) {
        uint8_t op = next();
        const int before = box.Editor().Length();
        try {
            switch (op % 12) {
                case 0: {
                    size_t n = next() % 8;
                    std::string s;
                    for (size_t k = 0; k < n && i < size; ++k) s += static_cast<char>(next());
                    runtime.TypeText(s);
                    break;
                }
                case 1: runtime.KeyDown(keys[next() % std::size(keys)], static_cast<int16_t>(next() % 4)); break;
                case 2: runtime.KeyPress(static_cast<int16_t>(next())); break;
                case 3: box.Edit().Select(next(), next()); box.Edited(false); break;
                case 4: runtime.GetBackend().SetClipboardText(std::string(next() % 6, static_cast<char>(next()))); break;
                case 5: box.SetMaxLength(next() % 16); break;
                case 6: box.SetMultiLine(next() & 1); break;
                case 7: box.SetPasswordChar(next() & 1 ? "*" : ""); break;
                case 8: box.SetLocked(next() % 4 == 0); break;
                case 9: runtime.Compose(std::string(next() % 3, 'x')); break;
                case 10: runtime.Mouse(form, MouseAction::Click, next() * 6.0, next() * 3.0, 1, next() % 2); break;
                case 11: runtime.Advance(next() * 4); break;
            }
        } catch (const HostError&) {
        }
        CheckInvariants(box);
        // Typing and pasting never take a text past MaxLength (undo may restore an older one).
        const int max = box.Editor().MaxLength();
        if ((op % 12 == 0 || op % 12 == 1) && max > 0 && before <= max) Check(box.Editor().Length() <= max);
    }
    // Undoing everything leaves a text the box held at some point: at least valid and within
    // its limits.
    box.SetLocked(false);
    while (box.Edit().Undo()) CheckInvariants(box);
    return 0;
}
