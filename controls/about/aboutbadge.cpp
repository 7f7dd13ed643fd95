// SPDX-License-Identifier: MIT
#include "controls/about/aboutbadge.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "core/mouse.h"

namespace stolvane {

namespace {

// ---------------------------------------------------------------- artwork

// The badges' pixel font: 5 x 7 cells, # set. Only the letters the badges spell.
struct GlyphRows {
    char letter;
    const char* rows[7];
};
constexpr GlyphRows kFont[] = {
    {'S', {".###.", "#...#", "#....", ".###.", "....#", "#...#", ".###."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"}},
    {'b', {"#....", "#....", "####.", "#...#", "#...#", "#...#", "####."}},
    {'c', {".....", ".....", ".###.", "#....", "#....", "#...#", ".###."}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'n', {".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."}},
    {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####."}},
    {'t', {".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
};

const GlyphRows* FindGlyph(char c) {
    for (const GlyphRows& g : kFont)
        if (g.letter == c) return &g;
    return nullptr;
}

struct Canvas {
    std::vector<uint32_t> px = std::vector<uint32_t>(AboutBadge::kPixelWidth * AboutBadge::kPixelHeight, 0);
    void Set(int x, int y, uint32_t rgb) {
        if (x < 0 || y < 0 || x >= AboutBadge::kPixelWidth || y >= AboutBadge::kPixelHeight) return;
        px[y * AboutBadge::kPixelWidth + x] = 0xFF000000u | rgb;
    }
    void Fill(int x0, int y0, int x1, int y1, uint32_t rgb) {  // corners included
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y, rgb);
    }
    // Text from (x, y); bold letters are drawn twice, one pixel apart. Returns the width drawn.
    int Text(int x, int y, const char* text, bool bold, uint32_t rgb) {
        const int start = x;
        for (const char* p = text; *p; ++p) {
            const GlyphRows* g = FindGlyph(*p);
            if (g)
                for (int r = 0; r < 7; ++r)
                    for (int c = 0; c < 5; ++c)
                        if (g->rows[r][c] == '#') {
                            Set(x + c, y + r, rgb);
                            if (bold) Set(x + c + 1, y + r, rgb);
                        }
            x += bold ? 7 : 6;
        }
        return x - start - 1;
    }
};

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    auto ch = [&](int shift) {
        const double va = (a >> shift) & 0xFF, vb = (b >> shift) & 0xFF;
        return static_cast<uint32_t>(std::lround(va + (vb - va) * t)) << shift;
    };
    return ch(16) | ch(8) | ch(0);
}

constexpr uint32_t kWhite = 0xFFFFFF, kLight = 0xDFDFDF, kFace = 0xC0C0C0, kGrey = 0x808080, kBlack = 0x000000;

// A small window: grey frame, title-bar gradient with a close box, a face with a ticked box.
void WindowIcon(Canvas& c, int x, int y) {
    c.Fill(x, y, x + 20, y + 20, kFace);
    c.Fill(x, y, x + 20, y, kWhite);
    c.Fill(x, y, x, y + 20, kWhite);
    c.Fill(x, y + 20, x + 20, y + 20, kBlack);
    c.Fill(x + 20, y, x + 20, y + 20, kBlack);
    for (int i = 0; i < 17; ++i) c.Fill(x + 2 + i, y + 2, x + 2 + i, y + 5, Mix(0x000080, 0x1084D0, i / 16.0));
    c.Fill(x + 15, y + 3, x + 17, y + 4, kFace);
    c.Fill(x + 4, y + 9, x + 10, y + 15, kWhite);
    c.Fill(x + 4, y + 9, x + 10, y + 9, kGrey);
    c.Fill(x + 4, y + 9, x + 4, y + 15, kGrey);
    for (int i = 0; i < 5; ++i) c.Set(x + 5 + i, y + (i < 2 ? 12 + i : 15 - i), kBlack);
    c.Fill(x + 12, y + 11, x + 17, y + 11, kGrey);
    c.Fill(x + 12, y + 13, x + 16, y + 13, kGrey);
}

// A white check box, sunken, with a black tick of three-pixel strokes.
void TickBoxIcon(Canvas& c, int x, int y) {
    c.Fill(x, y, x + 20, y + 20, kWhite);
    c.Fill(x, y, x + 20, y, kGrey);
    c.Fill(x, y, x, y + 20, kGrey);
    c.Fill(x + 1, y + 1, x + 19, y + 1, kBlack);
    c.Fill(x + 1, y + 1, x + 1, y + 19, kBlack);
    c.Fill(x, y + 20, x + 20, y + 20, kWhite);
    c.Fill(x + 20, y, x + 20, y + 20, kWhite);
    c.Fill(x + 1, y + 19, x + 19, y + 19, kLight);
    c.Fill(x + 19, y + 1, x + 19, y + 19, kLight);
    for (int i = 0; i <= 11; ++i) {
        const int top = i <= 4 ? 9 + i : 13 - (i - 4);
        c.Fill(x + 4 + i, y + top, x + 4 + i, y + top + 2, kBlack);
    }
}

}  // namespace

PictureRef AboutBadge::Paint(const BadgeArtwork& art, bool pressed) {
    Canvas c;
    constexpr int W = kPixelWidth, H = kPixelHeight;
    for (int x = 0; x < W; ++x) c.Fill(x, 0, x, H - 1, Mix(art.faceLeft, art.faceRight, x / double(W - 1)));
    if (art.icon == BadgeArtwork::IconKind::Window)
        WindowIcon(c, 4, 5);
    else
        TickBoxIcon(c, 4, 5);
    c.Text(28, 6, art.line1, art.bold1, art.text);
    c.Text(28, 18, art.line2, art.bold2, art.text);
    // A two-pixel bevel; pressed, the light top and left edges turn dark and the dark bottom
    // and right edges light.
    const uint32_t outerLight = pressed ? kBlack : kWhite, outerDark = pressed ? kWhite : kBlack;
    const uint32_t innerLight = pressed ? kGrey : kLight, innerDark = pressed ? kLight : kGrey;
    c.Fill(0, 0, W - 1, 0, outerLight);
    c.Fill(0, 0, 0, H - 1, outerLight);
    c.Fill(1, 1, W - 2, 1, innerLight);
    c.Fill(1, 1, 1, H - 2, innerLight);
    c.Fill(1, H - 2, W - 2, H - 2, innerDark);
    c.Fill(W - 2, 1, W - 2, H - 2, innerDark);
    c.Fill(0, H - 1, W - 1, H - 1, outerDark);
    c.Fill(W - 1, 0, W - 1, H - 1, outerDark);
    return Picture::FromPixels(W, H, std::move(c.px));
}

// ---------------------------------------------------------------- design

AboutBadge::AboutBadge(Surface& surface, const BadgeArtwork& artwork) : DeclaredControl(surface) {
    // It answers no keys, so it is no tab stop unless the form says otherwise.
    surface.SetTabStop(false);
    auto image = [&](const char* name, bool pressed, bool visible) {
        Image& img = surface.Add<Image>(name);
        img.Move(0, 0, kWidth, kHeight);
        img.SetPicture(Paint(artwork, pressed));
        img.SetVisible(visible);
        ForwardMouse(img, *this);
        return &img;
    };
    imgUp = image("imgUp", false, true);
    imgDown = image("imgDown", true, false);
}

const std::vector<PropertyInfo>& AboutBadge::PropertyTable() {
    static const std::vector<PropertyInfo> props = {
        Declare("Enabled", PropType::Boolean, &AboutBadge::m_Enabled, True)
            .Note("False: the badge no longer shows pressed, and a release over it neither raises Click nor opens "
                  "the about page; MouseDown, MouseMove and MouseUp are still raised."),
    };
    return props;
}

void AboutBadge::DescribeBadge(ClassInfo& c) {
    using A = AboutBadge;
    c.summary = "An 88 x 31 pixel badge crediting the library; a click opens its about page.";
    c.events = EventsOf<A>(&A::Click, &A::MouseDown, &A::MouseMove, &A::MouseUp);
    // Named by its ToolTipText, else by the control's name: a badge has no caption.
    c.accessible.role = [](Control&) { return AccessibleRole::PushButton; };
    c.accessible.actions = {{"click", AccessibleActionKind::MouseClick, "Opens the library's about page"}};
}

bool AboutBadge::ShowsPressed() const { return imgDown->Visible() && !imgUp->Visible(); }

// ---------------------------------------------------------------- size and mouse

// Whatever size is asked for, the badge is its picture's size.
void AboutBadge::Resize() {
    Surface& s = GetSurface();
    if (s.Height() != kHeight) s.SetHeight(kHeight);
    if (s.Width() != kWidth) s.SetWidth(kWidth);
}

void AboutBadge::OnMouseDown(MouseArgs& a) {
    if (m_Enabled) {
        imgDown->SetVisible(true);
        imgUp->SetVisible(false);
    }
    Raise(MouseDown, a.button, a.shift, a.x, a.y);
}

// Records where the badge lies on the screen, so that the release can be judged by the
// pointer's screen position alone.
void AboutBadge::OnMouseMove(MouseArgs& a) {
    const Surface& s = GetSurface();
    const MousePoint p = fncMousePosition(GetHost());
    m_ScreenLeft = ToInt32(p.x - a.x);
    m_ScreenTop = ToInt32(p.y - a.y);
    m_ScreenRight = ToInt32(m_ScreenLeft + s.Width());
    m_ScreenBottom = ToInt32(m_ScreenTop + s.Height());
    Raise(MouseMove, a.button, a.shift, a.x, a.y);
}

void AboutBadge::OnMouseUp(MouseArgs& a) {
    imgUp->SetVisible(true);
    imgDown->SetVisible(false);
    if (!GetSurface().Enabled()) return;
    const MousePoint p = fncMousePosition(GetHost());
    const bool over = p.x > m_ScreenLeft && p.x < m_ScreenRight && p.y > m_ScreenTop && p.y < m_ScreenBottom;
    if (over && m_Enabled) {
        Raise(Click);
        try {
            GetHost().Navigate(AboutPageAddress());
        } catch (const HostError&) {
            // A browser that cannot be started is not the badge's concern.
        }
    }
    Raise(MouseUp, a.button, a.shift, a.x, a.y);
}

}  // namespace stolvane
