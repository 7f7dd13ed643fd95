// SPDX-License-Identifier: MIT
// TolvaneLabel: a one-line text label whose colour fades to a hover colour while the mouse is
// over it, and which may carry a hyperlink (underlined, with a hand pointer; a click opens it).
// Its height always follows one line of text in its font. The check box and the button embed
// one as their caption.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <stolvane/core/control.h>
#include <stolvane/core/library.h>
#include <stolvane/core/mouse.h>

namespace stolvane {

class TolvaneLabel : public DeclaredControl {
    STOLVANE_CONTROL_CLASS(TolvaneLabel, 960, 210)

    static constexpr double kMinimumSize = 75;       // twips, each side
    static constexpr int32_t kFadeInterval = 100;    // ms per fade step
    static constexpr int16_t kFadeSteps = 10;

    // ---- Properties, in interface and persistence order
    STOLVANE_PROPERTY(int16_t, Align)  // 0 left, 1 right, 2 centre; the caption refuses others (380)
    STOLVANE_PROPERTY(const std::string&, Caption)  // raises ChangeCaption once the text shows
    STOLVANE_PROPERTY(OleColour, Colour)
    STOLVANE_PROPERTY(OleColour, ColourUp)
    STOLVANE_PROPERTY(Boolean, Enabled)  // False: grey text, no hover reaction
    FontRef Font();                      // brings the caption up to date first
    STOLVANE_SETTER(FontRef, Font)       // keeps the reference (424 for none)
    // The font reference as held, without the refresh of Font(): a control that embeds the
    // label compares against it, so a label left refusing its settings (an alignment out of
    // range, say) can still be handed good ones.
    const FontRef& HeldFont() const { return m_Font; }
    STOLVANE_PROPERTY(const std::string&, Hyperlink)
    // True: the text wraps at word boundaries within the width and the label keeps the height it
    // is given (at least one line), for descriptions of several lines. False (the default): one
    // line, the height following the font.
    STOLVANE_PROPERTY(Boolean, WordWrap)

    // ---- Events
    Event<> Click{"Click"};
    Event<> ChangeCaption{"ChangeCaption"};
    STOLVANE_MOUSE_EVENTS

    // ---- Lifecycle
    void Resize() override;
    void Show() override;

    // The pointer shown over a label with a hyperlink: a white hand above "HTTP" in blue.
    static PictureRef HyperlinkIcon();

protected:
    void OnMouseDown(MouseArgs& a) override;
    void OnMouseMove(MouseArgs& a) override;
    void OnMouseUp(MouseArgs& a) override;
    void OnClick() override;

private:
    void Refresh() override { RefreshLabel(); }
    struct Channels {
        int red = 0, green = 0, blue = 0;
    };

    void RefreshLabel();
    void CaptionChanged();
    void ColoursChanged();
    void EnabledChanged();
    void ResizeLabel();
    void SnapHeight();
    void ClickHandling();
    void FadeTick();
    void PrepareFade();
    void ResolveFadeColours();
    void StopHover();
    void HoverTest(double x, double y);
    // The fade timer runs (a label that never faded has none yet).
    bool Fading() const { return T98 && T98->Enabled(); }
    // Starts or stops the fade timer, making it on the first start.
    void SetFading(bool on);
    static Channels fncChannels(OleColour rgb);
    double MeasureLine(const stolvane::Font& font);

    // Child elements of the design. The fade timer is made when the label first fades: most
    // labels of a large form never do, and need not carry one.
    Label* lblCaption = nullptr;
    Timer* T98 = nullptr;
    // The height of one line of text in the label's font, measured on a sample line whenever
    // the font changes (the text layouts of a font are shared, so measuring costs no layout
    // per label).
    double m_LineHeight = 0;

    // Properties.
    int16_t m_Align = 0;
    std::string m_Caption;
    OleColour m_Colour = 0;
    OleColour m_ColourUp = 0;
    Boolean m_Enabled = BooleanFalse;
    FontRef m_Font;
    std::string m_Hyperlink;
    Boolean m_WordWrap = BooleanFalse;

    // Hover and fade state. The fade works on the two colours resolved to RGB, kept here so
    // that Colour and ColourUp stay exactly as the user set them (system colours included).
    int16_t m_FadeStep = 0;
    Boolean m_FadeReady = BooleanFalse;
    std::array<double, 3> m_FadeDelta{};
    OleColour m_FadeRest = 0;
    OleColour m_FadeUp = 0;
    HoverCapture m_Captured{GetSurface()};
    // A mouse up on the surface already ran the click handling for this press.
    bool m_ClickedOnUp = false;
};

}  // namespace stolvane
