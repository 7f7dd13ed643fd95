// SPDX-License-Identifier: MIT
// The service interface a control calls on its hosting runtime. The runtime in host/
// implements it for windows, headless rendering and scripts; every control is written against
// this interface only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <stolvane/core/elements.h>
#include <stolvane/core/event.h>
#include <stolvane/core/font.h>
#include <stolvane/core/picture.h>
#include <stolvane/core/types.h>
#include <stolvane/core/value.h>

namespace stolvane {

class Surface;
class Form;
class Control;
class ControlElement;

struct PixelPoint {
    int32_t x = 0, y = 0;
};

class Host : public ElementObserver {
public:
    ~Host() override = default;

    // Colours: a system colour resolves through the current theme; a direct colour is itself.
    OleColour ResolveColour(OleColour colour) override = 0;

    // Screen.
    virtual double TwipsPerPixelX() = 0;
    virtual double TwipsPerPixelY() = 0;
    virtual PixelPoint CursorPosition() = 0;  // pointer position on the screen, in pixels

    // Notifications from controls and surfaces.
    virtual void PropertyChanged(Surface& surface, const std::string& key) = 0;
    virtual void RaiseEvent(Surface& surface, const std::string& name, EventArgs& args) = 0;
    virtual void SurfaceChanged(Surface& surface, const Rect& oldBounds) = 0;
    virtual void SurfaceResized(Surface& surface) = 0;  // delivers Resize to the control

    // Mouse capture: all mouse input goes to the capturing surface until released.
    virtual void SetCapture(Surface& surface) = 0;
    virtual void ReleaseCapture() = 0;
    virtual Surface* Captured() = 0;
    // True when (x, y), in the surface's own twips and on its area, is on a part of it that
    // shows: inside the area of every container and of the form, and under nothing lying above
    // it. A hover test asks this, so that a control hangs on to no capture for a pointer that
    // is beyond its form's edge or over a control covering it. A host that cannot tell answers
    // true.
    virtual bool Shows(Surface& /*surface*/, double /*x*/, double /*y*/) { return true; }

    // The ambient "user mode": false while the surface's form (or a container it lies in) is
    // being designed, when controls take no input, raise no events and run no timers.
    virtual bool UserMode(const Surface& /*surface*/) { return true; }

    // Focus.
    virtual void SetFocus(Surface& surface) = 0;
    virtual Surface* Focused() = 0;

    // Shows the items of root as a popup menu at the pointer and returns after the chosen
    // item's click handler has run (or the menu was dismissed).
    virtual void PopupMenu(Surface& surface, MenuItem& root, MenuItem* defaultItem) = 0;

    // Ambient and container information.
    virtual FontRef AmbientFont(Surface& surface) = 0;
    // The parent's Left, Top, Width, Height or WindowState by name; a parent that lacks the
    // property fails with 438.
    virtual double ParentProperty(Surface& surface, const std::string& name) = 0;
    virtual void SetParentProperty(Surface& surface, const std::string& name, double value) = 0;

    // Desktop services.
    virtual void Navigate(const std::string& target) = 0;  // throws HostError when it fails
    virtual void MsgBox(const std::string& text, const std::optional<std::string>& title = std::nullopt) = 0;
    virtual std::string AppName() = 0;
    virtual std::string VersionComment() = 0;
    virtual void DoEvents() = 0;  // process pending messages
    // A desktop setting (section, key); nothing when there is none.
    virtual std::optional<std::string> DesktopSetting(const std::string& section, const std::string& key) = 0;

    // Library forms.
    virtual Form& LoadForm(const std::string& name) = 0;
    virtual void ShowModal(Form& form, Surface* owner) = 0;  // returns when hidden or unloaded
    virtual void HideForm(Form& form) = 0;
    virtual void UnloadForm(Form& form) = 0;

    // Embedded library controls: creates the control, runs its lifecycle with the design values.
    virtual ControlElement& CreateEmbedded(Surface& parent, const std::string& className, const std::string& name,
                                           int index, const Rect& rect, const PropertyMap& design) = 0;

    // Pictures and text.
    virtual PictureRef LoadPicture(const std::string& path) = 0;
    // Size of text in twips: one line unless wrapWidth > 0, in which case words wrap there.
    Rect MeasureText(const Font& font, const std::string& text, double wrapWidth) override = 0;
};

}  // namespace stolvane
