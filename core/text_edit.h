// SPDX-License-Identifier: MIT
// The editing model of a text box, apart from how it is drawn: UTF-8 text, a caret and a
// selection counted in characters (code points), movement by grapheme cluster and by word,
// deleting, the clipboard's side of cut/copy/paste, undo and redo, and the limits a text box
// sets (MaxLength, Locked, PasswordChar, single or multiple lines). Where the caret may stand
// and where words begin comes from a TextAnalyser: the runtime installs one built on the text
// shaper; a plain one (code points, combining marks, letters and digits) serves without it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace stolvane {

// Flags for each boundary between characters of a text (characters + 1 of them).
enum TextBoundary : uint8_t {
    CaretStop = 1,  // the caret may stand here: a grapheme cluster begins or the text ends
    WordStart = 2,
    WordEnd = 4,
};

class TextAnalyser {
public:
    virtual ~TextAnalyser() = default;
    // One set of TextBoundary flags per boundary of text (text.size() + 1 entries).
    virtual std::vector<uint8_t> Analyse(const std::u32string& text) const = 0;
    // The caret stop one step to the right (direction 1) or left (-1) as the text is shown,
    // which is the other way round in right-to-left text; -1 when the caret is at that edge.
    // The plain analyser moves logically.
    virtual int MoveVisually(const std::u32string& text, int position, int direction) const;
};
// The analyser text boxes use: the one installed, else the plain one.
const TextAnalyser& CurrentTextAnalyser();
void InstallTextAnalyser(const TextAnalyser* analyser);  // null: back to the plain one
const TextAnalyser& PlainTextAnalyser();

// UTF-8 to code points and back. Malformed bytes become U+FFFD, so every text the model holds
// is valid UTF-8.
std::u32string DecodeUtf8(const std::string& utf8);
std::string EncodeUtf8(const std::u32string& text);
std::string EncodeUtf8(char32_t c);

class TextEdit {
public:
    explicit TextEdit(const TextAnalyser* analyser = nullptr) : m_analyser(analyser) {}

    // ---- The text and the selection. The caret is the selection's moving end, the anchor
    // its fixed end; both are character positions from 0 to Length().
    const std::u32string& Chars() const { return m_text; }
    std::string Text() const { return EncodeUtf8(m_text); }
    int Length() const { return static_cast<int>(m_text.size()); }
    int Caret() const { return m_caret; }
    int Anchor() const { return m_anchor; }
    int SelStart() const { return std::min(m_caret, m_anchor); }
    int SelLength() const { return std::abs(m_caret - m_anchor); }
    std::string SelText() const;

    // ---- Settings.
    int32_t MaxLength() const { return m_maxLength; }
    void SetMaxLength(int32_t n) { m_maxLength = n < 0 ? 0 : n; }  // 0: no limit
    bool Locked() const { return m_locked; }
    void SetLocked(bool l) { m_locked = l; }
    bool MultiLine() const { return m_multiLine; }
    void SetMultiLine(bool m) { m_multiLine = m; }
    // The character shown for each character of a hidden text; 0 shows the text.
    char32_t PasswordChar() const { return m_password; }
    void SetPasswordChar(char32_t c) { m_password = c; }
    bool Hidden() const { return m_password != 0 && !m_multiLine; }
    // The text as drawn: a hidden text as one password character per character.
    std::u32string Shown() const;

    // ---- Changes from code: allowed on a locked box, cut at MaxLength like any insertion.
    // Each returns true when the text changed. Setting the text puts the caret at its start
    // and forgets the undo history.
    bool SetText(const std::string& utf8);
    bool SetSelText(const std::string& utf8);
    void SetSelStart(int start);    // clamped; the selection becomes empty there
    void SetSelLength(int length);  // clamped to what follows SelStart
    void Select(int anchor, int caret);  // each clamped and moved to a caret stop

    // ---- Editing by the user. Each returns true when the text changed; a locked box
    // refuses them all. Text that would pass MaxLength is cut to what fits; a single-line box
    // takes a pasted text up to its first line break and drops other control characters.
    bool Type(const std::string& utf8);   // typed or committed by an input method
    bool Paste(const std::string& utf8);
    bool NewLine();                       // Enter in a multi-line box; false in a single-line one
    bool DeleteBackward(bool word);       // Backspace (Ctrl: to the previous word start)
    bool DeleteForward(bool word);        // Delete (Ctrl: to the next word start)
    // What Copy and Cut hand to the clipboard: nothing for an empty selection or hidden text.
    std::optional<std::string> Copy() const;
    std::optional<std::string> Cut();     // also nothing on a locked box
    bool Undo();
    bool Redo();
    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_history.size(); }

    // ---- Caret movement; extend keeps the anchor (Shift).
    enum class Move { Left, Right, WordLeft, WordRight, LineStart, LineEnd, TextStart, TextEnd };
    void MoveCaret(Move move, bool extend);
    void PlaceCaret(int position, bool extend);
    void SelectAll();
    void SelectWordAt(int position);  // double-click

    // Caret stops and word starts around a position.
    int NextStop(int position) const;
    int PreviousStop(int position) const;
    int NextWordStart(int position) const;
    int PreviousWordStart(int position) const;
    bool IsStop(int position) const;

    // ---- Composition (an input method's preedit), shown at the caret, not part of the text.
    const std::string& Composition() const { return m_composition; }
    void SetComposition(std::string utf8) { m_composition = std::move(utf8); }

private:
    struct Step {
        int at = 0;
        std::u32string removed, inserted;
        int anchorBefore = 0, caretBefore = 0;
        enum Kind { Typing, Backspace, Delete, Other } kind = Other;
    };
    static constexpr size_t kMaxSteps = 1000;

    const TextAnalyser& Analyser() const;
    const std::vector<uint8_t>& Flags() const;
    // Line breaks, control characters, and MaxLength given the characters that stay.
    std::u32string Admit(std::u32string s, bool userInput, int kept) const;
    // Replaces [from, to) with s, records the step (merging runs of typing or deleting), and
    // puts the caret after the insertion.
    bool Replace(int from, int to, std::u32string s, Step::Kind kind);
    void Apply(int at, size_t removeCount, const std::u32string& insert);
    void Changed() { m_flagsValid = false; }
    int Clamp(int p) const { return p < 0 ? 0 : p > Length() ? Length() : p; }
    int SnapToStop(int p) const;

    const TextAnalyser* m_analyser;
    std::u32string m_text;
    int m_caret = 0, m_anchor = 0;
    int32_t m_maxLength = 0;
    bool m_locked = false, m_multiLine = false;
    char32_t m_password = 0;
    std::string m_composition;
    std::vector<Step> m_history;
    size_t m_done = 0;          // steps applied; those after it can be redone
    bool m_mergeable = false;   // the next typing or deleting may join the last step
    mutable std::vector<uint8_t> m_flags;
    mutable bool m_flagsValid = false;
};

}  // namespace stolvane
