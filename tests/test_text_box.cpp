// SPDX-License-Identifier: MIT
// The text box in the runtime: typing and keys through the input router, events, focus, the
// clipboard, the mouse, the blinking caret on the virtual clock, composition, form files, and its
// looks as golden images.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/text_box.h"
#include "host/form_file.h"
#include "host/keys.h"
#include "host/render.h"
#include "host/runtime.h"
#include "host/text_box_view.h"
#include "tests/golden_util.h"
#include "tests/test_support.h"

using namespace stolvane;

namespace {

constexpr int16_t kShift = 1, kCtrl = 2;

struct Events : RuntimeObserver {
    std::vector<std::string> lines;
    void OnElementEvent(Element& e, const std::string& name, EventArgs&) override {
        lines.push_back(e.FullName() + " " + name);
    }
    size_t Count(const std::string& line) const { return static_cast<size_t>(std::count(lines.begin(), lines.end(), line)); }
};

struct TextBoxes : ::testing::Test {
    Runtime rt;
    Events events;
    Form* form = nullptr;
    TextBox* box = nullptr;
    void SetUp() override {
        rt.SetObserver(&events);
        form = &rt.NewForm("frmText", 6000, 4500);
        rt.ShowForm(*form);
        box = &Place("txtName", {150, 150, 2400, 315});
    }
    TextBox& Place(const std::string& name, const Rect& r) {
        auto& b = static_cast<TextBox&>(rt.PlaceElement(*form, ElementKind::TextBox, name, -1));
        b.Move(r.left, r.top, r.width, r.height);
        return b;
    }
    // The form x just right of the boundary before character i.
    double XAt(int i) {
        TextBoxView view(*box);
        return box->Left() + PixelsToTwips(view.AreaLeft() + view.CaretAt(i).x) + 1;
    }
    void Key(int16_t code, int16_t shift = 0) {
        rt.KeyDown(code, shift);
        rt.KeyUp(code, shift);
    }
};

}  // namespace

TEST_F(TextBoxes, TypingGoesToTheFocusedBoxRaisesChangeOncePerEditAndCompositionShowsAtTheCaret) {
    rt.FocusTextBox(*box);
    rt.TypeText("h\xC3\xA9llo");
    EXPECT_EQ(box->Text(), "h\xC3\xA9llo");
    EXPECT_EQ(events.Count("txtName Change"), 1u);
    EXPECT_EQ(events.Count("txtName KeyPress"), 4u);  // the ASCII characters
    rt.KeyPress(8);
    EXPECT_EQ(box->Text(), "h\xC3\xA9ll");
    EXPECT_EQ(events.Count("txtName Change"), 2u);
    // Setting the same text raises nothing; a different one raises Change once.
    box->SetText("h\xC3\xA9ll");
    EXPECT_EQ(events.Count("txtName Change"), 2u);
    box->SetText("other");
    EXPECT_EQ(events.Count("txtName Change"), 3u);
    // A handler that zeroes KeyAscii cancels the character.
    box->KeyPress += [](int16_t& ascii) {
        if (ascii == 'x') ascii = 0;
    };
    rt.TypeText("axb");
    EXPECT_EQ(box->Text(), "abother");
    // A disabled form takes no typing.
    form->SetEnabled(false);
    rt.TypeText("z");
    EXPECT_EQ(box->Text(), "abother");
    form->SetEnabled(true);
    // Moving the caret is no change.
    size_t changes = events.Count("txtName Change");
    Key(KeyCode::Home);
    Key(KeyCode::Right, kShift);
    EXPECT_EQ(events.Count("txtName Change"), changes);
    EXPECT_EQ(box->SelText(), "a");

    // A composition shows at the caret without changing the text, until it is committed.
    box->SetText("ab");
    box->SetSelStart(1);
    rt.Compose("\xE3\x81\x8B");  // a kana being composed
    EXPECT_EQ(box->Text(), "ab");
    TextBoxView view(*box);
    EXPECT_EQ(view.CompositionStart(), 1);
    EXPECT_EQ(view.CompositionLength(), 3);
    rt.TypeText("\xE6\xBC\xA2");  // committed: the composition ends
    EXPECT_EQ(box->Text(), "a\xE6\xBC\xA2" "b");
    EXPECT_EQ(box->Editor().Composition(), "");
}

TEST_F(TextBoxes, ClipboardKeysCopyCutPasteAndUndo) {
    rt.FocusTextBox(*box);
    rt.TypeText("copy me");
    Key(KeyCode::Left, kShift | kCtrl);
    Key('X', kCtrl);
    EXPECT_EQ(rt.GetBackend().ClipboardText(), "me");
    EXPECT_EQ(box->Text(), "copy ");
    Key(KeyCode::Insert, kShift);  // Shift+Insert pastes
    Key('A', kCtrl);
    Key(KeyCode::Insert, kCtrl);  // Ctrl+Insert copies
    EXPECT_EQ(rt.GetBackend().ClipboardText(), "copy me");
    Key(KeyCode::Delete, kShift);  // Shift+Delete cuts
    EXPECT_EQ(box->Text(), "");
    Key('Z', kCtrl);
    EXPECT_EQ(box->Text(), "copy me");
    Key('Y', kCtrl);
    EXPECT_EQ(box->Text(), "");
}

TEST_F(TextBoxes, MousePlacesDragsAndDoubleClickSelectsAWord) {
    box->SetText("alpha beta gamma");
    const double y = box->Top() + box->Height() / 2;
    rt.Mouse(*form, MouseAction::Down, XAt(6), y, 1, 0);
    rt.Mouse(*form, MouseAction::Up, XAt(6), y, 1, 0);
    EXPECT_EQ(rt.FocusedTextBox(), box);
    EXPECT_EQ(box->SelStart(), 6);
    // Shift+click extends; a drag selects from where it started.
    rt.Mouse(*form, MouseAction::Click, XAt(10), y, 1, kShift);
    EXPECT_EQ(box->SelText(), "beta");
    rt.Mouse(*form, MouseAction::Down, XAt(10), y, 1, 0);
    rt.Mouse(*form, MouseAction::Move, XAt(0), y, 1, 0);
    rt.Mouse(*form, MouseAction::Up, XAt(0), y, 1, 0);
    EXPECT_EQ(box->SelStart(), 0);
    EXPECT_EQ(box->SelLength(), 10);
    rt.Mouse(*form, MouseAction::DblClick, XAt(13), y, 1, 0);
    EXPECT_EQ(box->SelText(), "gamma");
    EXPECT_EQ(events.Count("txtName DblClick"), 1u);
    // A box without the focus shows no selection: beside the caret's place is the window colour.
    box->SetSelStart(6);
    box->SetSelLength(4);
    rt.FocusTextBox(Place("txtOther", {150, 900, 2400, 315}));
    TextBoxView view(*box);
    const int cx = static_cast<int>(std::floor(TwipsToPixels(box->Left()) + view.AreaLeft() + view.CaretAt(6).x));
    const int cy = static_cast<int>(TwipsToPixels(box->Top() + box->Height() / 2));
    EXPECT_EQ(FormRenderer(rt, *form).RepaintAll().PixelRgb(cx + 2, cy - 4), 0xFFFFFFu);
}

TEST_F(TextBoxes, TheCaretBlinksOnTheRuntimeClockAndRepaintsOnlyItsLine) {
    box->SetMultiLine(true);
    box->Move(150, 150, 3000, 2000);
    box->SetText("one\ntwo\nthree");
    rt.FocusTextBox(*box);
    FormRenderer r(rt, *form);
    r.Update();
    EXPECT_EQ(rt.NextTimerDue(), 500);
    rt.Advance(499);
    EXPECT_TRUE(box->CaretOn());
    rt.Advance(1);
    EXPECT_FALSE(box->CaretOn());
    r.Update();
    // Only the caret's line is repainted.
    TextBoxView view(*box);
    EXPECT_LE(r.LastRepaintedArea().size(), 1u);
    ASSERT_FALSE(r.LastRepaintedArea().empty());
    EXPECT_LE(r.LastRepaintedArea()[0].height, view.LineHeight() + 2);
    rt.Advance(500);
    EXPECT_TRUE(box->CaretOn());
    // Typing shows the caret and starts the blink again.
    rt.Advance(500);
    rt.TypeText("x");
    EXPECT_TRUE(box->CaretOn());
    EXPECT_EQ(rt.NextTimerDue(), 500);
    // Without focus nothing blinks.
    rt.FocusTextBox(Place("txtOther", {150, 900, 2400, 315}));
    EXPECT_FALSE(box->CaretOn());
    EXPECT_EQ(events.Count("txtName LostFocus"), 1u);
}

// After each edit of a multi-line box the kept frame equals a full repaint.
TEST_F(TextBoxes, EditsRepaintEveryLineTheyChange) {
    box->SetMultiLine(true);
    box->Move(150, 150, 2400, 1500);
    rt.FocusTextBox(*box);
    FormRenderer r(rt, *form);
    r.Update();
    auto same = [&](const std::string& what) {
        const Frame& kept = r.Update();
        FormRenderer fresh(rt, *form);
        EXPECT_TRUE(kept.data == fresh.RepaintAll().data) << what;
    };
    // A composition of three lines under one line of text, then committed text: it is gone.
    rt.TypeText("one two");
    same("typed");
    rt.Compose("x\ny\nz");
    same("composed");
    rt.TypeText("k");
    same("committed over a composition of three lines");
    EXPECT_EQ(box->Text(), "one twok");

    // A selection up to where the second line starts, the caret at its start.
    box->SetText("alpha beta gamma deltaepsilonzeta etatheta");
    const int wrap = TextBoxView(*box).LineStart(1);
    ASSERT_GT(wrap, 3);
    box->SetSelStart(wrap);
    for (int i = 0; i < 3; ++i) Key(KeyCode::Left, kShift);
    same("selected backwards");
    rt.TypeText("xy ");
    ASSERT_EQ(TextBoxView(*box).LineStart(1), wrap) << "the lines wrap where they did";
    EXPECT_EQ(box->SelStart(), wrap);
    same("typed over a selection ending at a line's start, the caret now at that start");
    // The same selection forwards, with a composition at the caret: the composition starts the
    // second line and is drawn selected.
    box->SetSelStart(wrap - 3);
    box->SetSelLength(3);
    rt.Compose("qq");
    same("composed at the end of a selection");
    rt.TypeText("zz ");
    same("typed over a selection and a composition at a line's start");

    // An undo of text typed on the first line while the caret is on the fourth.
    box->SetText("first\nsecond\nthird\nfourth\nfifth");
    box->SetSelStart(5);
    rt.TypeText("abc");
    Key(KeyCode::Down);
    Key(KeyCode::Down);
    Key(KeyCode::Down);
    same("moved down");
    Key('Z', kCtrl);
    EXPECT_EQ(box->Text(), "first\nsecond\nthird\nfourth\nfifth");
    same("undone three lines above the caret");

    // A deletion that shortens the second line's first word until it fits on the first line:
    // the word wraps back up, and the first line shows it.
    box->SetText("alpha beta gamma delta mmmm tail\nnext");
    ASSERT_EQ(TextBoxView(*box).LineStart(1), 23) << "the word of four wraps to the second line";
    box->SetSelStart(24);
    same("caret in the word on the second line");
    Key(KeyCode::Back);
    ASSERT_GT(TextBoxView(*box).LineStart(1), 23) << "the word of three fits on the first line";
    same("deleted a character so that a word wraps back onto the line above");

    // An edit that turns a paragraph's direction repaints the neutral paragraphs it turns with it.
    const std::string hebrew = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";
    box->SetText(hebrew + "\n~%\n12 ");
    box->SetSelStart(0);
    r.Update();
    rt.TypeText("L");
    same("a left-to-right letter before the Hebrew turns the two paragraphs below");
    Key(KeyCode::Back);
    same("and deleting it turns them back");
}

TEST_F(TextBoxes, MultiLineKeysMoveByLinesAndTheViewFollowsTheCaret) {
    box->SetMultiLine(true);
    box->SetScrollBars(TextBox::Vertical);
    box->Move(150, 150, 1800, 700);
    std::string text;
    for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "\n";
    box->SetText(text);
    rt.FocusTextBox(*box);
    Key(KeyCode::Down);
    Key(KeyCode::Down);
    Key(KeyCode::Right);
    EXPECT_EQ(box->SelStart(), 15);  // "line 0\nline 1\nl|"
    Key(KeyCode::End, kCtrl);
    TextBoxView view(*box);
    EXPECT_GT(box->ScrollY(), 0);
    EXPECT_EQ(static_cast<int>(box->ScrollY()) % view.LineHeight(), 0);
    // Up past the top line shown scrolls by one line.
    const double shown = box->ScrollY();
    for (int i = 0; i < 20 && box->ScrollY() == shown; ++i) Key(KeyCode::Up);
    EXPECT_EQ(box->ScrollY(), shown - view.LineHeight());
    Key(KeyCode::Home, kCtrl);
    EXPECT_EQ(box->ScrollY(), 0);
    // Up on the first line goes to the text's start, Down on the last to its end.
    Key(KeyCode::Right);
    Key(KeyCode::Up);
    EXPECT_EQ(box->SelStart(), 0);
    box->SetText("line 0\nline 1");
    Key(KeyCode::Down);
    Key(KeyCode::Down);
    EXPECT_EQ(box->SelStart(), 13);
}

// The laid-out text is kept between edits: whatever it depends on (width, font, alignment,
// password, composition, one line or several) gives a layout of its own the moment it changes.
TEST_F(TextBoxes, TheLayoutFollowsEveryChangeOfWhatItDependsOn) {
    box->SetMultiLine(true);
    box->Move(150, 150, 3000, 1500);
    box->SetText("one two three four five six seven eight nine ten");
    const int wide = TextBoxView(*box).LineCount();
    box->Move(150, 150, 1200, 1500);
    EXPECT_GT(TextBoxView(*box).LineCount(), wide) << "a narrower box wraps into more lines";
    const int lineHeight = TextBoxView(*box).LineHeight();
    Font big = box->GetFont();
    big.size = 16;
    box->SetFont(big);
    EXPECT_GT(TextBoxView(*box).LineHeight(), lineHeight);
    box->SetMultiLine(false);
    EXPECT_EQ(TextBoxView(*box).LineCount(), 1);
    box->SetText("ab");
    const double left = TextBoxView(*box).OriginX();
    box->SetAlignment(1);
    EXPECT_GT(TextBoxView(*box).OriginX(), left);
    const double width = TextBoxView(*box).Layout().width;
    box->SetPasswordChar("W");
    EXPECT_NE(TextBoxView(*box).Layout().width, width) << "the mask is laid out, not the text";
    rt.FocusTextBox(*box);
    rt.Compose("xyz");
    EXPECT_EQ(TextBoxView(*box).CompositionLength(), 3);
    rt.Compose("");
    EXPECT_EQ(TextBoxView(*box).CompositionLength(), 0);
}

// Text input, the caret's rectangle and the primary selection go through the backend.
TEST_F(TextBoxes, TextInputAndSelectionsGoThroughTheBackend) {
    struct Recorder : Backend {
        std::vector<std::pair<Form*, Rect>> starts;
        int stops = 0;
        std::optional<std::string> primary = std::string("middle");
        std::string primarySet;
        void StartTextInput(Form& f, const Rect& caret) override { starts.push_back({&f, caret}); }
        void StopTextInput() override { ++stops; }
        std::optional<std::string> PrimarySelectionText() override { return primary; }
        void SetPrimarySelectionText(const std::string& t) override { primarySet = t; }
    } backend;
    rt.SetBackend(&backend);
    rt.FocusTextBox(*box);
    ASSERT_FALSE(backend.starts.empty());
    EXPECT_EQ(backend.starts.back().first, form);
    Rect first = backend.starts.back().second;
    EXPECT_GE(first.left, box->Left());
    EXPECT_LT(first.left, box->Left() + 120);
    EXPECT_GE(first.top, box->Top());
    EXPECT_LE(first.top + first.height, box->Top() + box->Height());
    rt.TypeText("wide text");
    EXPECT_GT(backend.starts.back().second.left, first.left + 300);  // beside the caret, which moved
    EXPECT_EQ(backend.stops, 0);

    // A drag selects into the primary selection; the middle button pastes it where it points.
    const double y = box->Top() + box->Height() / 2;
    rt.Mouse(*form, MouseAction::Down, XAt(0), y, 1, 0);
    rt.Mouse(*form, MouseAction::Move, XAt(4), y, 1, 0);
    rt.Mouse(*form, MouseAction::Up, XAt(4), y, 1, 0);
    EXPECT_EQ(backend.primarySet, "wide");
    rt.Mouse(*form, MouseAction::Down, XAt(9), y, 4, 0);
    rt.Mouse(*form, MouseAction::Up, XAt(9), y, 4, 0);
    EXPECT_EQ(box->Text(), "wide textmiddle");
    // A desktop without one pastes nothing.
    backend.primary.reset();
    rt.Mouse(*form, MouseAction::Down, XAt(0), y, 4, 0);
    EXPECT_EQ(box->Text(), "wide textmiddle");
    // A password box puts nothing into the primary selection.
    backend.primarySet.clear();
    box->SetPasswordChar("*");
    rt.Mouse(*form, MouseAction::Down, XAt(0), y, 1, 0);
    rt.Mouse(*form, MouseAction::Move, XAt(4), y, 1, 0);
    rt.Mouse(*form, MouseAction::Up, XAt(4), y, 1, 0);
    EXPECT_EQ(backend.primarySet, "");

    // Losing the focus stops the text input, and so does unloading the form with the box.
    rt.FocusTextBox(Place("txtOther", {150, 900, 2400, 315}));
    EXPECT_EQ(backend.stops, 1);
    size_t started = backend.starts.size();
    rt.Tab();
    EXPECT_EQ(rt.FocusedTextBox(), box);
    EXPECT_GT(backend.starts.size(), started);
    rt.UnloadForm(*form);
    EXPECT_EQ(backend.stops, 3);
    rt.SetBackend(nullptr);
}

TEST_F(TextBoxes, Looks) {
    auto render = [&](const std::string& name, double scale = 1.0) {
        FormRenderer r(rt, *form, scale);
        EXPECT_TRUE(test::CompareGolden(r.RepaintAll(), name));
    };
    form = &rt.NewForm("frmLooks", 2700, 1500);
    rt.ShowForm(*form);
    box = &Place("txtLook", {150, 150, 2400, 315});
    box->SetText("Hello, world");
    render("textbox_text");
    rt.FocusTextBox(*box);
    box->Edit().Select(7, 12);
    box->Edited(false);
    box->SetCaretOn(false);
    render("textbox_selection");
    box->SetSelStart(5);
    box->SetCaretOn(true);
    render("textbox_caret");
    render("textbox_caret_scale2", 2.0);
    box->SetEnabled(false);
    render("textbox_disabled");
    box->SetEnabled(true);
    box->SetPasswordChar("*");
    box->SetAppearance(0);
    render("textbox_password_flat");
    box->SetPasswordChar("");
    box->SetAppearance(1);
    box->SetMultiLine(true);
    box->SetScrollBars(TextBox::Vertical);
    box->Move(150, 150, 2400, 1200);
    box->SetText("A multi-line text box wraps its text at word boundaries and scrolls when the text is "
                 "longer than it is high.\nA second paragraph.\nThree\nFour\nFive");
    render("textbox_multiline");
}

// A limit set below the text cuts it, as a text set from code is cut, at a whole character: the
// box never holds more than MaxLength, so a saved form loads with the text it was saved with, its
// line breaks as "\n" and characters of every plane kept.
TEST_F(TextBoxes, ALimitBelowTheTextCutsItAndTheFormSavesWhatLoads) {
    box->SetMultiLine(true);
    box->SetText("ab\xE6\xBC\xA2 two\nlines");
    events.lines.clear();
    box->SetMaxLength(6);
    EXPECT_EQ(box->Text(), "ab\xE6\xBC\xA2 tw");
    EXPECT_EQ(events.Count("txtName Change"), 1u);
    box->SetMaxLength(20);
    box->SetMaxLength(0);
    EXPECT_EQ(box->Text(), "ab\xE6\xBC\xA2 tw") << "a higher limit or none changes nothing";
    EXPECT_EQ(events.Count("txtName Change"), 1u);

    // Latin, Greek, CJK, a supplementary-plane emoji, a private-use character of plane 15; a
    // limit of one below the text's length cuts its last character.
    box->SetText("caf\xC3\xA9\nline \xCE\xB1\xCE\xB2\r\n\xE6\xBC\xA2\xF0\x9F\x98\x80\xF3\xB0\x80\x81\tend");
    box->SetMaxLength(19);
    EXPECT_EQ(box->Text(), "caf\xC3\xA9\nline \xCE\xB1\xCE\xB2\n\xE6\xBC\xA2\xF0\x9F\x98\x80\xF3\xB0\x80\x81\ten");
    box->SetToolTipText("tip");
    test::TempFolder folder("stolvane-textbox");
    const std::string path = (folder.Path() / "form.json").string();
    SaveFormFile(rt, *form, path);
    Runtime rt2;
    auto* again = dynamic_cast<TextBox*>(LoadFormFile(rt2, path).Find("txtName"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Text(), box->Text());
    EXPECT_EQ(again->MaxLength(), 19);
    EXPECT_TRUE(again->MultiLine());
    EXPECT_EQ(again->ToolTipText(), "tip");
}
