// SPDX-License-Identifier: MIT
// A form: a top-level surface with a caption, a frame, a window state and a position on the
// screen. Forms hold controls and intrinsic elements; library forms add handlers in code.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>

#include <stolvane/core/control.h>
#include <stolvane/core/surface.h>

// Xlib.h, read first, defines KeyPress as a macro; the name is the form's event here.
#pragma push_macro("KeyPress")
#undef KeyPress

namespace stolvane {

class Form : public Surface {
public:
    enum BorderStyle : int16_t {
        NoBorder = 0,
#ifndef None
        None = NoBorder,
#endif
        FixedSingle = 1,
        Sizable = 2,
        FixedDialog = 3
    };
    enum WindowState : int16_t { Normal = 0, Minimized = 1, Maximized = 2 };

    Form(Host& host, std::string name) : Surface(host, std::move(name)) {}
    bool IsForm() const override { return true; }

    const std::string& Caption() const { return m_caption; }
    void SetCaption(std::string c);
    int16_t GetBorderStyle() const { return m_border; }
    void SetBorderStyle(int16_t b);
    int16_t GetWindowState() const { return m_windowState; }
    void SetWindowState(int16_t s);  // 0, 1 or 2; anything else is refused (380)
    const FontRef& GetFont() const { return m_font; }
    void SetFont(FontRef f) { m_font = f ? std::move(f) : m_font; }
    const PictureRef& Icon() const { return m_icon; }
    void SetIcon(PictureRef p) { m_icon = std::move(p); }
    // The smallest client area the user may size the window to, in twips (0: no limit); the
    // window manager is told. A negative size is refused (380).
    double MinClientWidth() const { return m_minClientWidth; }
    double MinClientHeight() const { return m_minClientHeight; }
    void SetMinClientSize(double width, double height);
    // A library form's own resource name, if it is one.
    const std::string& LibraryName() const { return m_libraryName; }
    void SetLibraryName(std::string n) { m_libraryName = std::move(n); }

    // The control placed on the form (or in one of its containers) under this name.
    Control* FindControl(const std::string& name, int index = -1) const;
    // For applications: the placed control of that name ("cmdOK", "tplDes(2)") as class T, or
    // the element the form's author placed under that name as kind T. A name the form lacks,
    // or one of another class, throws HostError 5 saying which.
    using Surface::Find;
    template <class T>
    T& Find(const std::string& name) const {
        Control& c = RequireControl(name);
        if (auto* t = dynamic_cast<T*>(&c)) return *t;
        throw WrongClass(name, c.ClassName(), T::Class().name);
    }
    template <class T>
    T& FindElement(const std::string& name) const {
        Element& e = RequireElement(name);
        if (auto* t = dynamic_cast<T*>(&e)) return *t;
        throw WrongClass(name, ElementClassName(e), "the kind asked for");
    }
    Control& RequireControl(const std::string& name) const;
    Element& RequireElement(const std::string& name) const;
    // Found by a map the form keeps of its placed controls, however deep in containers.
    Surface* FindSurface(const std::string& name, int index = -1) const;
    // An element the form's author placed, on the form or inside one of its containers.
    Element* FindAuthored(const std::string& name, int index = -1) const;
    // Puts the form in the middle of another form (a modal form over its owner's form).
    void CentreOn(const Form& owner);
    // Kept by the surfaces as placed controls come and go: a placed control and every placed
    // control inside it.
    void NamePlaced(Surface& placed) override;
    void ForgetPlaced(Surface& placed) override;

    // Form notifications; library forms set them.
    std::function<void()> onLoad;
    std::function<void()> onUnload;
    std::function<void(int)> onWindowStateChanged;
    // Asked when the user closes the form's window (its close box, Alt+F4, the window manager)
    // before it is unloaded: false keeps the form open. Code that unloads the form is not asked.
    std::function<bool()> onQueryUnload;

    // ---- The application's side of the form (host/form_keys.cpp, host/anchoring.cpp)
    // Keyboard conventions: the buttons Enter and Escape click (placed controls' names, "" for
    // none), and whether the form sees keys before its focused control.
    const std::string& DefaultButton() const { return m_defaultButton; }
    void SetDefaultButton(std::string name) { m_defaultButton = std::move(name); }
    const std::string& CancelButton() const { return m_cancelButton; }
    void SetCancelButton(std::string name) { m_cancelButton = std::move(name); }
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool on) { m_keyPreview = on; }

    // The form's own events: Resize after its client area changed size while shown; the keys
    // (KeyCode as the classic key codes, Shift the mask 1 Shift, 2 Ctrl, 4 Alt) when the form
    // previews keys or no control has the focus. A handler may set KeyCode or KeyAscii to 0 to
    // swallow the key.
    Event<> Resize{"Resize"};
    Event<int16_t, int16_t> KeyDown{"KeyDown", {"KeyCode", "Shift"}};
    Event<int16_t, int16_t> KeyUp{"KeyUp", {"KeyCode", "Shift"}};
    Event<int16_t> KeyPress{"KeyPress", {"KeyAscii"}};

private:
    HostError WrongClass(const std::string& name, const std::string& is, const std::string& asked) const;
    static std::string ElementClassName(const Element& e);

    std::string m_caption;
    int16_t m_border = Sizable;
    int16_t m_windowState = Normal;
    FontRef m_font = MakeFont("MS Sans Serif", 8.25);
    PictureRef m_icon = Picture::Empty();
    double m_minClientWidth = 0, m_minClientHeight = 0;
    std::string m_libraryName;
    std::unordered_map<std::string, Surface*> m_placed;
    std::string m_defaultButton, m_cancelButton;
    bool m_keyPreview = false;
};

}  // namespace stolvane

#pragma pop_macro("KeyPress")
