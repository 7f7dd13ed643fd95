// SPDX-License-Identifier: MIT
#include "fuzz/random_input.h"

#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "controls/about/tolvaneabout_1.h"
#include "controls/about/tolvaneabout_2.h"
#include "controls/button/tolvanebutton.h"
#include "controls/caption/tolvanecaption.h"
#include "controls/label/tolvanelabel.h"
#include "controls/panel/tolvanepanel.h"
#include "controls/tick/tolvanetick.h"
#include "host/form_file.h"
#include "host/render.h"
#include "core/text_box.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

constexpr double kFormW = 6000, kFormH = 4500;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RandomRun {
public:
    RandomRun(uint64_t seed, const std::string& tempDir) : m_random(seed), m_dir(tempDir) {
        rt.SetFocusOnShow(true);
        rt.SetBackend(&m_backend);
        rt.onUnhandledError = [this](const HostError& e) {
            Note("error " + std::to_string(e.number) + " " + e.description.substr(0, 80));
            // A handler that let anything but a HostError out is a fault of the control.
            if (e.description.rfind("Internal error", 0) == 0 && m_failure.empty())
                m_failure = "an internal error escaped a handler: " + e.description;
        };
        m_controls.push_back(&rt.Place<TolvaneButton>(form, "cmdGo", {150, 150, 1500, 450}));
        auto& label = rt.Place<TolvaneLabel>(form, "lblLink", {1800, 150, 1800, 300});
        label.SetHyperlink("http://example.org/");
        m_controls.push_back(&label);
        m_controls.push_back(&rt.Place<TolvaneTick>(form, "chkTick", {150, 750, 1800, 300}));
        auto& panel = rt.Place<TolvanePanel>(form, "pnlBox", {150, 1200, 3000, 1500});
        m_controls.push_back(&panel);
        m_controls.push_back(&rt.Place<TolvaneButton>(panel.GetSurface(), "cmdInner", {300, 300, 1200, 450}));
        auto& status = rt.Place<TolvanePanel>(form, "pnlStatus", {0, kFormH - 360, kFormW, 360});
        status.SetGrip(True);
        m_controls.push_back(&status);
        m_controls.push_back(&rt.Place<TolvaneCaption>(form, "capBar", {3300, 1200, 2550, 300}));
        m_controls.push_back(&rt.Place<TolvaneAbout_1>(form, "abtOne", {3300, 1800, 900, 900}));
        m_controls.push_back(&rt.Place<TolvaneAbout_2>(form, "abtTwo", {4500, 1800, 900, 900}));
        // Two text boxes: one line, and several lines with a scroll bar.
        m_boxes.push_back(&static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtOne", -1)));
        m_boxes.back()->Move(150, 2850, 2700, 315);
        m_boxes.push_back(&static_cast<TextBox&>(rt.PlaceElement(form, ElementKind::TextBox, "txtMany", -1)));
        m_boxes.back()->Move(3000, 2850, 2850, 1150);
        m_boxes.back()->SetMultiLine(true);
        m_boxes.back()->SetScrollBars(TextBox::Vertical);
        rt.ShowForm(form);
        m_renderer = std::make_unique<FormRenderer>(rt, form, 1);
        m_renderer->Update();
    }

    std::string Run(long steps, int frameEvery, int saveEvery) {
        for (long step = 1; step <= steps; ++step) {
            try {
                Step();
            } catch (const HostError&) {
                // A refusal: the input was not acceptable.
            } catch (const std::exception& e) {
                m_failure = std::string("exception escaped: ") + e.what();
            } catch (...) {
                m_failure = "an unknown exception escaped";
            }
            if (m_failure.empty()) CheckCapture();
            if (m_failure.empty()) CheckText();
            if (m_failure.empty() && frameEvery > 0 && step % frameEvery == 0) CheckFrame();
            if (m_failure.empty() && saveEvery > 0 && step % saveEvery == 0) CheckSave(step);
            if (!m_failure.empty()) return Report(step);
        }
        return "";
    }

private:
    // Modal forms close at once and message boxes are noted; links open nothing.
    struct Answers : Backend {
        RandomRun& run;
        explicit Answers(RandomRun& r) : run(r) {}
        void RunModal(Form& f, Form*) override {
            run.Note("modal " + f.Name());
            run.rt.HideForm(f);
        }
        void ShowMessage(const std::string& text, const std::string&) override { run.Note("msgbox " + text.substr(0, 60)); }
    };
    Answers m_backend{*this};
    Runtime rt;
    Form& form = rt.NewForm("frmRandom", kFormW, kFormH);
    std::mt19937_64 m_random;
    std::string m_dir;
    std::vector<Control*> m_controls;
    std::vector<TextBox*> m_boxes;
    std::unique_ptr<FormRenderer> m_renderer;
    std::deque<std::string> m_recent;
    std::string m_failure;
    int16_t m_held = 0;              // buttons held down
    std::deque<bool> m_movesToForm;  // the last two mouse actions: moves to the form alone?

    long Uniform(long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(m_random); }
    bool Chance(int percent) { return Uniform(0, 99) < percent; }

    void Note(std::string what) {
        m_recent.push_back(std::move(what));
        if (m_recent.size() > 20) m_recent.pop_front();
    }

    std::string Report(long step) {
        std::ostringstream out;
        out << "step " << step << ": " << m_failure << "\nlast actions:";
        for (auto& a : m_recent) out << "\n  " << a;
        // Where everything is: a control dragged far or a form resized to nothing explains much.
        out << "\nform " << form.Width() << "x" << form.Height() << "; controls:";
        for (Control* c : m_controls) {
            Surface& s = c->GetSurface();
            out << "\n  " << s.FullName() << " " << s.Left() << "," << s.Top() << " " << s.Width() << "x" << s.Height()
                << (s.Visible() ? "" : " hidden");
        }
        return out.str();
    }

    void Step() {
        long kind = Uniform(0, 99);
        if (kind < 45) return MouseStep();
        if (kind < 55) {
            auto ascii = static_cast<int16_t>(Chance(50) ? std::vector<int>{13, 27, 32, 9, 8}[Uniform(0, 4)] : Uniform(0, 255));
            Note("key " + std::to_string(ascii));
            return rt.KeyPress(ascii);
        }
        if (kind < 60) {
            char c = "GgOoTtIiAaBb1&xz"[Uniform(0, 15)];
            Note(std::string("accesskey ") + c);
            rt.AccessKey(c);
            return;
        }
        if (kind < 67) {
            bool back = Chance(50);
            Note(back ? "tab back" : "tab");
            return rt.Tab(back);
        }
        if (kind < 77) {
            long ms = Uniform(0, 500);
            Note("advance " + std::to_string(ms));
            return rt.Advance(ms);
        }
        if (kind < 90) return TextStep();
        return SetStep();
    }

    // Text boxes: focus, typed text (any plane, line breaks, bytes that are not UTF-8), editing
    // keys with modifiers, selections from code, the clipboard, compositions and limits.
    void TextStep() {
        TextBox& box = *m_boxes[static_cast<size_t>(Uniform(0, long(m_boxes.size()) - 1))];
        static const char* const kTexts[] = {"a", "word ", "h\xC3\xA9llo", "e\xCC\x81", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
                                             "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", "\xE6\xBC\xA2\xE5\xAD\x97",
                                             "two\nlines", "\xFF\xC3", "\t", " "};
        static const int16_t kKeys[] = {8, 13, 33, 34, 35, 36, 37, 38, 39, 40, 45, 46, 65, 67, 86, 88, 89, 90};
        switch (Uniform(0, 7)) {
            case 0:
                Note("focus " + box.Name());
                if (box.Enabled()) rt.FocusTextBox(box);
                return;
            case 1: {
                std::string t = kTexts[Uniform(0, long(std::size(kTexts)) - 1)];
                Note("text " + t);
                return rt.TypeText(t);
            }
            case 2: {
                int16_t key = kKeys[Uniform(0, long(std::size(kKeys)) - 1)];
                auto shift = static_cast<int16_t>(Uniform(0, 3));
                Note("keydown " + std::to_string(key) + " shift " + std::to_string(shift));
                rt.KeyDown(key, shift);
                return rt.KeyUp(key, shift);
            }
            case 3: {
                int a = static_cast<int>(Uniform(-2, box.Editor().Length() + 2)), b = static_cast<int>(Uniform(0, 20));
                Note("select " + box.Name() + " " + std::to_string(a) + " " + std::to_string(b));
                box.SetSelStart(std::max(0, a));
                return box.SetSelLength(b);
            }
            case 4: {
                std::string t = kTexts[Uniform(0, long(std::size(kTexts)) - 1)];
                Note("clipboard " + t);
                return rt.GetBackend().SetClipboardText(t + t);
            }
            case 5: {
                std::string t = Chance(30) ? "" : kTexts[Uniform(0, long(std::size(kTexts)) - 1)];
                Note("compose " + t);
                return rt.Compose(t);
            }
            case 6: {
                long which = Uniform(0, 4);
                Note("setting " + std::to_string(which) + " of " + box.Name());
                if (which == 0) box.SetMaxLength(static_cast<int32_t>(Uniform(0, 40)));
                else if (which == 1) box.SetPasswordChar(Chance(50) ? "*" : "");
                else if (which == 2) box.SetLocked(Chance(30));
                else if (which == 3) box.SetEnabled(Chance(80));
                else box.SetAlignment(static_cast<int16_t>(Uniform(0, 2)));
                return;
            }
            default: {
                // The mouse on the box: place, drag, double-click.
                Rect b = box.Bounds();
                double x = b.left + Uniform(0, long(b.width)), y = b.top + Uniform(0, long(b.height));
                auto action = std::vector<MouseAction>{MouseAction::Click, MouseAction::DblClick, MouseAction::Down,
                                                       MouseAction::Move, MouseAction::Up}[Uniform(0, 4)];
                Note("mouse on " + box.Name() + " " + std::to_string(int(action)));
                int16_t button = action == MouseAction::Move ? m_held : 1;
                if (action == MouseAction::Down) m_held |= 1;
                if (action == MouseAction::Up) m_held &= ~1;
                return rt.Mouse(form, action, x, y, button, static_cast<int16_t>(Uniform(0, 1)));
            }
        }
    }

    void CheckText() {
        for (TextBox* box : m_boxes) {
            const TextEdit& e = box->Editor();
            std::string text = e.Text();
            if (DecodeUtf8(text) != e.Chars()) m_failure = box->Name() + " holds text that is not UTF-8";
            else if (e.Caret() < 0 || e.Caret() > e.Length() || e.Anchor() < 0 || e.Anchor() > e.Length())
                m_failure = box->Name() + "'s caret or selection lies outside its text";
            else if (!e.MultiLine() && text.find('\n') != std::string::npos)
                m_failure = box->Name() + " is single-line but holds a line break";
            else if (rt.FocusedTextBox() && rt.FocusedTextBox() == box && !box->Enabled())
                m_failure = box->Name() + " is disabled but keeps the focus";
        }
    }

    void MouseStep() {
        double x = Chance(15) ? Uniform(-1500, long(kFormW) + 1500) : Uniform(0, long(kFormW) - 1);
        double y = Chance(15) ? Uniform(-1500, long(kFormH) + 1500) : Uniform(0, long(kFormH) - 1);
        auto button = static_cast<int16_t>(std::vector<int>{1, 1, 1, 2, 4}[Uniform(0, 4)]);
        int16_t shift = Chance(10) ? static_cast<int16_t>(Uniform(1, 7)) : 0;
        long kind = Uniform(0, 99);
        MouseAction action;
        std::string name;
        if (kind < 55) {
            action = MouseAction::Move, name = "move", button = m_held;
        } else if (kind < 68) {
            action = MouseAction::Down, name = "down";
            m_held |= button;
        } else if (kind < 83) {
            action = MouseAction::Up, name = "up";
            if (m_held && Chance(80)) button = m_held & -m_held;  // usually one that is held
            m_held &= static_cast<int16_t>(~button);
        } else if (kind < 95) {
            action = MouseAction::Click, name = "click";
        } else {
            action = MouseAction::DblClick, name = "dblclick";
        }
        bool toForm = action == MouseAction::Move && rt.HitTest(form, x, y).surface == &form;
        m_movesToForm.push_back(toForm);
        if (m_movesToForm.size() > 2) m_movesToForm.pop_front();
        std::ostringstream note;
        note << name << " " << x << "," << y << " button " << button << " shift " << shift;
        Note(note.str());
        rt.Mouse(form, action, x, y, button, shift);
    }

    Value RandomValue(PropType type) {
        switch (type) {
            case PropType::Boolean: return Value{int64_t(std::vector<int>{0, -1, 1, 2}[Uniform(0, 3)])};
            case PropType::Int16:
            case PropType::Int32: {
                long k = Uniform(0, 9);
                if (k < 6) return Value{int64_t(Uniform(-2, 8))};
                if (k < 8) return Value{int64_t(Uniform(-40000, 40000))};
                return Value{int64_t(Chance(50) ? std::numeric_limits<int32_t>::max() : std::numeric_limits<int32_t>::min())};
            }
            case PropType::Colour: {
                if (Chance(30)) return Value{int64_t(0x80000000 + Uniform(0, 40))};
                return Value{int64_t(Uniform(0, 0xFFFFFFFFL))};
            }
            case PropType::Single: {
                if (Chance(20)) return Value{Chance(50) ? 1e30 : -1e30};
                return Value{double(Uniform(-1000, 100000)) / 10};
            }
            case PropType::String: {
                static const std::vector<std::string> texts{
                    "", "&Go", "Tick &it", "a && b", "&", "x\ny", "Grüße €", "http://example.org/page",
                    "mailto:x@example.org", "  spaced  ", "&About"};
                std::string s = texts[Uniform(0, long(texts.size()) - 1)];
                if (Chance(5)) s = std::string(size_t(Uniform(100, 2000)), 'W');
                return Value{s};
            }
            case PropType::Font: {
                if (Chance(5)) return Value{FontRef{}};
                static const std::vector<std::string> names{"MS Sans Serif", "Arial", "Nonexistent Face", ""};
                FontRef f = MakeFont(names[Uniform(0, 3)], Chance(10) ? Uniform(-5, 200) : Uniform(6, 14), Chance(30));
                f->italic = Chance(20);
                f->underline = Chance(20);
                f->strikethrough = Chance(10);
                return Value{f};
            }
            case PropType::Picture: {
                if (Chance(40)) return Value{Picture::Empty()};
                int w = int(Uniform(1, 40)), h = int(Uniform(1, 40));
                std::vector<uint32_t> px(size_t(w) * size_t(h));
                uint32_t a = Chance(50) ? 0xFF000000u : 0x80000000u, c = uint32_t(Uniform(0, 0xFFFFFF));
                for (size_t i = 0; i < px.size(); ++i) px[i] = (i % 3 == 0 ? 0 : a) | (c ^ uint32_t(i * 2654435761u) >> 8);
                return Value{Picture::FromPixels(w, h, std::move(px))};
            }
        }
        return {};
    }

    void SetStep() {
        Control& c = *m_controls[Uniform(0, long(m_controls.size()) - 1)];
        std::vector<const PropertyInfo*> settable;
        for (const PropertyInfo& p : c.Properties())
            if (p.isPublic && p.set) settable.push_back(&p);
        if (settable.empty()) return;
        const PropertyInfo& p = *settable[Uniform(0, long(settable.size()) - 1)];
        Value v = RandomValue(p.type);
        std::ostringstream note;
        note << "set " << c.GetSurface().FullName() << "." << p.name << " = ";
        std::visit([&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, int64_t> || std::is_same_v<T, double>) note << x;
            else if constexpr (std::is_same_v<T, std::string>) note << '"' << x.substr(0, 40) << '"';
            else if constexpr (std::is_same_v<T, FontRef>) note << (x ? x->name + " " + std::to_string(x->size) : "no font");
            else if constexpr (std::is_same_v<T, PictureRef>) note << (x ? "picture " + std::to_string(x->PixelWidth()) + "x" + std::to_string(x->PixelHeight()) : "no picture");
        }, v);
        Note(note.str());
        p.set(c, Coerce(v, p.type));
    }

    void CheckCapture() {
        if (m_held || m_movesToForm.size() < 2 || !m_movesToForm[0] || !m_movesToForm[1]) return;
        if (Surface* s = rt.Captured())
            m_failure = "the pointer left every control with no button held, but " + s->FullName() + " keeps the capture";
    }

    void CheckFrame() {
        const Frame& kept = m_renderer->Update();
        FormRenderer fresh(rt, form, 1);
        const Frame& full = fresh.RepaintAll();
        if (kept.width != full.width || kept.height != full.height) {
            m_failure = "the incremental frame is " + std::to_string(kept.width) + "x" + std::to_string(kept.height) +
                        ", a full repaint " + std::to_string(full.width) + "x" + std::to_string(full.height);
            return;
        }
        if (kept.data == full.data) return;
        for (int y = 0; y < full.height; ++y)
            for (int x = 0; x < full.width; ++x)
                if (kept.PixelRgb(x, y) != full.PixelRgb(x, y) ||
                    std::memcmp(&kept.data[size_t(y) * kept.stride + size_t(x) * 4], &full.data[size_t(y) * full.stride + size_t(x) * 4], 4) != 0) {
                    std::ostringstream out;
                    out << "the incremental frame differs from a full repaint first at pixel " << x << "," << y << " ("
                        << std::hex << kept.PixelRgb(x, y) << " against " << full.PixelRgb(x, y) << std::dec
                        << "); the last update repainted";
                    for (const PixelRect& r : m_renderer->LastRepaintedArea())
                        out << " " << r.x << "," << r.y << " " << r.width << "x" << r.height;
                    m_failure = out.str();
                    if (std::getenv("STOLVANE_RANDOM_FRAMES")) {  // both frames beside the saves, to look at
                        WritePng(kept, (std::filesystem::path(m_dir).parent_path() / "random-kept.png").string());
                        WritePng(full, (std::filesystem::path(m_dir).parent_path() / "random-full.png").string());
                    }
                    return;
                }
        m_failure = "the incremental frame differs from a full repaint outside its pixels";
    }

    void CheckSave(long step) {
        std::string first = (std::filesystem::path(m_dir) / "random-a.json").string();
        std::string second = (std::filesystem::path(m_dir) / "random-b.json").string();
        try {
            SaveFormFile(rt, form, first);
            Runtime other;
            other.onUnhandledError = [](const HostError&) {};
            Form& loaded = LoadFormFile(other, first);
            SaveFormFile(other, loaded, second);
        } catch (const std::exception& e) {
            m_failure = std::string("save, load and save failed: ") + e.what();
            return;
        }
        std::string a = ReadFile(first), b = ReadFile(second);
        if (a == b) return;
        size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
        size_t from = at < 80 ? 0 : at - 80;
        m_failure = "saving the loaded form gives another file (first difference at byte " + std::to_string(at) +
                    "):\n  saved:  ..." + a.substr(from, 160) + "\n  again:  ..." + b.substr(from, 160);
        (void)step;
    }
};

}  // namespace

std::string RunRandomInput(uint64_t seed, long steps, int frameEvery, int saveEvery, const std::string& tempDir) {
    RandomRun run(seed, tempDir);
    return run.Run(steps, frameEvery, saveEvery);
}

}  // namespace stolvane
