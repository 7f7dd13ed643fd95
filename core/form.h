// A form: a top-level surface with a caption, a frame, a window state and a position on the
// screen. Forms hold controls and intrinsic elements; library forms add handlers in code.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>

#include "core/surface.h"

namespace stolvane {

class Form : public Surface {
public:
    enum BorderStyle : int16_t { None = 0, FixedSingle = 1, Sizable = 2, FixedDialog = 3 };
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

private:
    std::string m_caption;
    int16_t m_border = Sizable;
    int16_t m_windowState = Normal;
    FontRef m_font = MakeFont("MS Sans Serif", 8.25);
    PictureRef m_icon = Picture::Empty();
    double m_minClientWidth = 0, m_minClientHeight = 0;
    std::string m_libraryName;
    std::unordered_map<std::string, Surface*> m_placed;
};

}  // namespace stolvane
