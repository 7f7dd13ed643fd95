// SPDX-License-Identifier: MIT
// The runtime's shared pieces: each element kind answers through its descriptor (placing, mouse,
// painting, its name in dumps), a hit test is reused only while nothing has changed, the
// library registers once from any thread, and a throw while painting leaves the renderer whole.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>

#include "core/library.h"
#include "host/render.h"
#include "host/runtime.h"

using namespace stolvane;

namespace {

// The pointer shown after a move is the hit test of the move, unless the move's own handler
// changed what lies under the pointer.
TEST(Descriptors, APointerShapeFollowsAHandlerThatHidesWhatWasUnderThePointer) {
    Runtime rt;
    Form& form = rt.NewForm("frmHit", 3000, 3000);
    auto& below = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, "lblBelow", -1));
    below.Move(0, 0, 1500, 1500);
    below.SetMousePointer(2);
    auto& above = static_cast<Label&>(rt.PlaceElement(form, ElementKind::Label, "lblAbove", -1));
    above.Move(0, 0, 1500, 1500);
    above.SetMousePointer(99);
    rt.ShowForm(form);
    int moves = 0;
    above.onMouseMove = [&](MouseArgs&) {
        ++moves;
        above.SetVisible(false);
    };
    EXPECT_EQ(rt.PointerAt(form, 300, 300).first, 99);
    rt.Mouse(form, MouseAction::Move, 300, 300, 0, 0);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(rt.PointerAt(form, 300, 300).first, 2) << "the label beneath shows once the top one hides";
    EXPECT_EQ(rt.HitTest(form, 300, 300).element, &below);
    // Moved away and back: the same answer from a fresh hit test.
    below.Move(1500, 0, 1500, 1500);
    EXPECT_EQ(rt.HitTest(form, 300, 300).element, nullptr);
    EXPECT_EQ(rt.PointerAt(form, 300, 300).first, 0);
}

TEST(Descriptors, TheLibraryRegistersOnceWhicheverThreadsAskForIt) {
    std::vector<Library*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&, i] { seen[i] = &StolvaneLibrary(); });
    for (auto& t : threads) t.join();
    for (Library* l : seen) EXPECT_EQ(l, &Library::Instance());
    std::set<std::string> names;
    for (const ClassInfo& c : Library::Instance().Classes()) names.insert(c.name);
    EXPECT_EQ(names.size(), Library::Instance().Classes().size()) << "no class registered twice";
}

// A disabled picture button greys its picture by painting it alone; one too large to paint
// makes the frame fail. The next frame paints normally, and the button's state comes out right.
TEST(Descriptors, AFrameThatFailsWhilePaintingLeavesTheRendererWhole) {
    Runtime rt;
    Form& form = rt.NewForm("frmFail", 3000, 1500);
    form.SetBackColour(0x00FFFFFF);
    auto& button = static_cast<PictureButton&>(rt.PlaceElement(form, ElementKind::PictureButton, "pb", -1));
    button.Move(150, 150, 1500, 900);
    auto huge = std::make_shared<Drawing>();
    huge->Fill(0, 0, 150, 150, 0x000000FF);
    button.SetPicture(Picture::FromDrawing(huge, 9000 * kTwipsPerPixel, 9000 * kTwipsPerPixel, 0));
    button.SetEnabled(false);
    rt.ShowForm(form);
    FormRenderer renderer(rt, form);
    EXPECT_THROW(renderer.RepaintAll(), HostError);
    button.SetPicture(Picture::Empty());
    const Frame& frame = renderer.RepaintAll();
    EXPECT_EQ(frame.PixelRgb(150, 5), 0x00FFFFFFu) << "the form";
    EXPECT_EQ(renderer.PixelAt(600, 600), rt.ResolveColour(SysColour::ButtonFace) & 0xFFFFFF) << "the button's face";
}

// A drawing shown stretched out of its proportions keeps each part where it was across and down.
TEST(Descriptors, ADrawingStretchedOutOfProportionKeepsItsPartsInPlace) {
    Runtime rt;
    Form& form = rt.NewForm("frmStretch", 1500, 1500);
    auto& box = static_cast<PictureBox&>(rt.PlaceElement(form, ElementKind::PictureBox, "pic", -1));
    box.Move(0, 0, 300, 150);  // 20 x 10 pixels: red left half, blue right half
    box.FillRect(0, 0, 149, 149, 0x000000FF);
    box.FillRect(150, 0, 299, 149, 0x00FF0000);
    auto& img = static_cast<Image&>(rt.PlaceElement(form, ElementKind::Image, "img", -1));
    img.SetStretch(true);
    img.SetPicture(box.PersistentImage());
    img.Move(300, 300, 600, 900);  // 40 x 60 pixels: twice as wide, six times as high
    box.SetVisible(false);
    rt.ShowForm(form);
    FormRenderer renderer(rt, form);
    EXPECT_EQ(renderer.PixelAt(300 + 150, 300 + 450), 0x000000FFu) << "the left half";
    EXPECT_EQ(renderer.PixelAt(300 + 450, 300 + 450), 0x00FF0000u) << "the right half";
    EXPECT_EQ(renderer.PixelAt(300 + 450, 300 + 870), 0x00FF0000u) << "down to the bottom";
}

}  // namespace
