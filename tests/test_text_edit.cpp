// SPDX-License-Identifier: MIT
// The text box's editing model: typing, limits, masking, locking, selection, word moves and
// deletes, undo and redo, and grapheme clusters as the text shaper finds them.
#include <gtest/gtest.h>

#include "core/text_edit.h"
#include "host/media.h"
#include "host/text_analysis.h"

using namespace stolvane;

namespace {

struct Edit : ::testing::Test {
    Edit() { InitFonts(); }
    TextEdit e{&ShaperTextAnalyser()};
};

const std::string kEAcute = "e\xCC\x81";  // e + combining acute: one cluster, two characters
// Man, ZWJ, woman, ZWJ, girl: one cluster of five characters.
const std::string kFamily = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
const std::string kShalom = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";  // four Hebrew letters

}  // namespace

TEST_F(Edit, TypingInsertsAtTheCaretAndReplacesTheSelection) {
    EXPECT_TRUE(e.Type("h\xC3\xA9llo"));
    EXPECT_EQ(e.Text(), "h\xC3\xA9llo");
    EXPECT_EQ(e.Length(), 5);  // characters, not bytes
    e.Select(1, 3);
    EXPECT_EQ(e.SelText(), "\xC3\xA9l");
    e.Type("a");
    EXPECT_EQ(e.Text(), "halo");
    EXPECT_EQ(e.Caret(), 2);
    EXPECT_FALSE(e.Type(""));
    // Control characters are not typed; malformed bytes become replacement characters.
    e.Type("\x01\x7F");
    EXPECT_EQ(e.Text(), "halo");
    e.SetText("a\xFF" "b");
    EXPECT_EQ(e.Text(), "a\xEF\xBF\xBD" "b");
    e.SetText("\xED\xA0\x80");  // an encoded surrogate: three bad bytes
    EXPECT_EQ(e.Length(), 3);
}

TEST_F(Edit, SingleLineTakesTextUpToTheFirstLineBreakAndMultiLineKeepsThem) {
    EXPECT_FALSE(e.NewLine());
    e.Paste("one\r\ntwo");
    EXPECT_EQ(e.Text(), "one");
    e.SetText("");
    e.SetMultiLine(true);
    e.Paste("one\r\ntwo\rthree");
    EXPECT_EQ(e.Text(), "one\ntwo\nthree");
    EXPECT_TRUE(e.NewLine());
    EXPECT_EQ(e.Text(), "one\ntwo\nthree\n");
}

TEST_F(Edit, MaxLengthCutsWhatWouldPassItInCharacters) {
    e.SetMaxLength(5);
    e.Type("abc");
    EXPECT_TRUE(e.Paste("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"));  // a paste that would pass it is cut
    EXPECT_EQ(e.Text(), "abc\xC3\xA9\xC3\xA9");
    EXPECT_FALSE(e.Type("x"));  // full
    // Replacing a selection makes room for what replaces it.
    e.Select(0, 3);
    e.Type("xyzw");
    EXPECT_EQ(e.Text(), "xyz\xC3\xA9\xC3\xA9");
    // A cut never splits a cluster: "e + acute" does not fit in one remaining character.
    e.SetText("abcd");
    e.PlaceCaret(4, false);
    EXPECT_FALSE(e.Paste(kEAcute));
    EXPECT_EQ(e.Text(), "abcd");
    // 0 is no limit; code is cut too, so the text never holds more than the limit.
    e.SetText("abcdefgh");
    EXPECT_EQ(e.Text(), "abcde");
    e.SetMaxLength(0);
    e.SetText("abcdefgh");
    EXPECT_EQ(e.Length(), 8);
}

TEST_F(Edit, PasswordTextIsShownMaskedAndNeverCopied) {
    e.SetPasswordChar(U'*');
    e.Type("s\xC3\xA9" "cret");
    EXPECT_EQ(EncodeUtf8(e.Shown()), "******");
    e.SelectAll();
    EXPECT_FALSE(e.Copy().has_value());
    EXPECT_FALSE(e.Cut().has_value());
    EXPECT_EQ(e.Text(), "s\xC3\xA9" "cret");
    // Word moves do not give away where the words are: they go to the ends.
    e.SetText("two words");
    e.PlaceCaret(0, false);
    e.MoveCaret(TextEdit::Move::WordRight, false);
    EXPECT_EQ(e.Caret(), 9);
    // A multi-line box shows its text.
    e.SetMultiLine(true);
    EXPECT_EQ(EncodeUtf8(e.Shown()), "two words");
}

TEST_F(Edit, LockedRefusesEditsButSelectsAndCopies) {
    e.SetText("read only");
    e.SetLocked(true);
    EXPECT_FALSE(e.Type("x"));
    EXPECT_FALSE(e.Paste("x"));
    EXPECT_FALSE(e.DeleteBackward(false));
    e.SelectWordAt(1);
    EXPECT_EQ(e.SelText(), "read ");
    EXPECT_FALSE(e.DeleteForward(false));
    EXPECT_FALSE(e.Cut().has_value());
    EXPECT_EQ(e.Copy().value(), "read ");
    EXPECT_TRUE(e.SetSelText("READ "));  // code may still change it
    EXPECT_EQ(e.Text(), "READ only");
}

TEST_F(Edit, SelectionByKeysCollapsesExtendsAndIsClamped) {
    e.SetText("hello world");
    e.PlaceCaret(6, false);
    e.MoveCaret(TextEdit::Move::Right, true);
    e.MoveCaret(TextEdit::Move::Right, true);
    EXPECT_EQ(e.SelStart(), 6);
    EXPECT_EQ(e.SelLength(), 2);
    e.MoveCaret(TextEdit::Move::Left, false);  // collapses to the start
    EXPECT_EQ(e.Caret(), 6);
    EXPECT_EQ(e.SelLength(), 0);
    e.MoveCaret(TextEdit::Move::LineStart, true);
    EXPECT_EQ(e.SelText(), "hello ");
    e.MoveCaret(TextEdit::Move::Right, false);  // collapses to the end
    EXPECT_EQ(e.Caret(), 6);
    e.SelectAll();
    EXPECT_EQ(e.SelLength(), 11);
    e.SetSelStart(40);
    EXPECT_EQ(e.SelStart(), 11);
    e.SetSelStart(3);
    e.SetSelLength(100);
    EXPECT_EQ(e.SelText(), "lo world");
    e.SetSelLength(-4);
    EXPECT_EQ(e.SelLength(), 0);
}

TEST_F(Edit, WordMovesAndDeletes) {
    e.SetText("alpha beta, gamma");
    e.PlaceCaret(0, false);
    e.MoveCaret(TextEdit::Move::WordRight, false);
    EXPECT_EQ(e.Caret(), 6);
    e.MoveCaret(TextEdit::Move::WordRight, false);
    EXPECT_EQ(e.Caret(), 12);
    e.MoveCaret(TextEdit::Move::WordLeft, false);
    EXPECT_EQ(e.Caret(), 6);
    e.PlaceCaret(10, false);  // after "beta"
    EXPECT_TRUE(e.DeleteBackward(true));
    EXPECT_EQ(e.Text(), "alpha , gamma");
    EXPECT_TRUE(e.DeleteForward(true));
    EXPECT_EQ(e.Text(), "alpha gamma");
    e.SelectWordAt(8);
    EXPECT_EQ(e.SelText(), "gamma");
    // A word selected at a line's end leaves the line break out.
    e.SetMultiLine(true);
    e.SetText("one\ntwo");
    e.SelectWordAt(1);
    EXPECT_EQ(e.SelText(), "one");
}

TEST_F(Edit, UndoAndRedoAcrossTypingPasteAndDelete) {
    e.Type("abc");
    e.Type("def");          // one run of typing: one step
    e.Paste(" pasted");
    e.DeleteBackward(false);
    e.DeleteBackward(false);  // a run of backspaces: one step
    EXPECT_EQ(e.Text(), "abcdef past");
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Text(), "abcdef pasted");
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Text(), "abcdef");
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Text(), "");
    EXPECT_FALSE(e.Undo());
    ASSERT_TRUE(e.Redo());
    EXPECT_EQ(e.Text(), "abcdef");
    EXPECT_EQ(e.Caret(), 6);
    ASSERT_TRUE(e.Redo());
    EXPECT_EQ(e.Text(), "abcdef pasted");
    // A new edit drops what could be redone.
    e.Type("!");
    EXPECT_FALSE(e.Redo());
    // Moving the caret ends a run of typing.
    e.PlaceCaret(0, false);
    e.Type("X");
    e.Undo();
    EXPECT_EQ(e.Text(), "abcdef pasted!");
    // Setting the text from code forgets the history.
    e.SetText("");
    EXPECT_FALSE(e.CanUndo());
    // A line break ends the run of typing.
    e.SetMultiLine(true);
    e.Type("ab");
    e.NewLine();
    e.Type("cd");
    e.Undo();
    EXPECT_EQ(e.Text(), "ab\n");
}

TEST_F(Edit, CaretMovesByGraphemeCluster) {
    e.SetText("a" + kEAcute + "b");
    e.PlaceCaret(0, false);
    e.MoveCaret(TextEdit::Move::Right, false);
    e.MoveCaret(TextEdit::Move::Right, false);
    EXPECT_EQ(e.Caret(), 3);  // over e and its accent at once
    e.MoveCaret(TextEdit::Move::Left, true);
    EXPECT_EQ(e.SelText(), kEAcute);
    e.PlaceCaret(2, false);  // inside the cluster: snapped to its start
    EXPECT_EQ(e.Caret(), 1);
    // Backspace after the accent takes the accent alone, Delete the whole cluster.
    e.PlaceCaret(3, false);
    e.DeleteBackward(false);
    EXPECT_EQ(e.Text(), "aeb");
    e.SetText(kFamily + "x");
    e.MoveCaret(TextEdit::Move::Right, false);
    EXPECT_EQ(e.Caret(), 5);
    e.PlaceCaret(0, false);
    e.DeleteForward(false);
    EXPECT_EQ(e.Text(), "x");
    e.SetText(kFamily);
    e.MoveCaret(TextEdit::Move::TextEnd, false);
    e.DeleteBackward(false);
    EXPECT_EQ(e.Text(), "");
}

TEST_F(Edit, RightToLeftTextMovesVisually) {
    const TextAnalyser& a = ShaperTextAnalyser();
    std::u32string hebrew = DecodeUtf8(kShalom);
    ASSERT_EQ(hebrew.size(), 4u);
    // The first letter stands at the right: moving left goes forward in the text.
    EXPECT_EQ(a.MoveVisually(hebrew, 0, -1), 1);
    EXPECT_EQ(a.MoveVisually(hebrew, 1, 1), 0);
    e.SetText(kShalom + " abc");
    e.SelectWordAt(1);
    EXPECT_EQ(e.SelText(), kShalom + " ");
}
