// SPDX-License-Identifier: MIT
#include "core/text_edit.h"

namespace stolvane {

namespace {

bool IsCombining(char32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F) || (c >= 0xFE00 && c <= 0xFE0F) ||
           (c >= 0x1F3FB && c <= 0x1F3FF) || c == 0x200D || (c >= 0x0591 && c <= 0x05C7);
}

bool IsWordChar(char32_t c) {
    if (c < 128) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    return !(c == 0x00A0 || c == 0x3000 || (c >= 0x2000 && c <= 0x206F));  // spaces and punctuation
}

// Code points, with combining marks, joiners and emoji modifiers held to what precedes them;
// words are runs of letters and digits.
class Plain : public TextAnalyser {
public:
    std::vector<uint8_t> Analyse(const std::u32string& text) const override {
        std::vector<uint8_t> flags(text.size() + 1, 0);
        for (size_t i = 0; i <= text.size(); ++i) {
            bool stop = i == 0 || i == text.size() || (!IsCombining(text[i]) && text[i - 1] != 0x200D);
            bool inWord = i < text.size() && IsWordChar(text[i]);
            bool wasWord = i > 0 && IsWordChar(text[i - 1]);
            if (stop) flags[i] |= CaretStop;
            if (stop && inWord && !wasWord) flags[i] |= WordStart;
            if (stop && wasWord && !inWord) flags[i] |= WordEnd;
        }
        return flags;
    }
};

const TextAnalyser* g_installed = nullptr;

bool IsLineBreak(char32_t c) { return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029; }

}  // namespace

int TextAnalyser::MoveVisually(const std::u32string& text, int position, int direction) const {
    std::vector<uint8_t> flags = Analyse(text);
    int n = static_cast<int>(text.size());
    for (int p = position + direction; p >= 0 && p <= n; p += direction)
        if (flags[static_cast<size_t>(p)] & CaretStop) return p;
    return -1;
}

const TextAnalyser& PlainTextAnalyser() {
    static const Plain plain;
    return plain;
}
const TextAnalyser& CurrentTextAnalyser() { return g_installed ? *g_installed : PlainTextAnalyser(); }
void InstallTextAnalyser(const TextAnalyser* analyser) { g_installed = analyser; }

std::u32string DecodeUtf8(const std::string& s) {
    std::u32string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char n = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((n & 0xC0) != 0x80) { ok = false; break; }
            c = (c << 6) | (n & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are malformed too.
        static const char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < kLeast[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) ok = false;
        if (!ok) { out += U'\uFFFD'; ++i; continue; }
        out += c;
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string EncodeUtf8(char32_t c) {
    std::string out;
    if (c < 0x80) out += static_cast<char>(c);
    else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string EncodeUtf8(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) out += EncodeUtf8(c);
    return out;
}

// ---- State

const TextAnalyser& TextEdit::Analyser() const { return m_analyser ? *m_analyser : CurrentTextAnalyser(); }

const std::vector<uint8_t>& TextEdit::Flags() const {
    if (!m_flagsValid) {
        m_flags = Analyser().Analyse(m_text);
        m_flags.resize(m_text.size() + 1, 0);
        m_flags.front() |= CaretStop;
        m_flags.back() |= CaretStop;
        m_flagsValid = true;
    }
    return m_flags;
}

std::string TextEdit::SelText() const {
    return EncodeUtf8(m_text.substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelLength())));
}

std::u32string TextEdit::Shown() const {
    if (!Hidden()) return m_text;
    return std::u32string(m_text.size(), m_password);
}

bool TextEdit::IsStop(int p) const { return p >= 0 && p <= Length() && (Flags()[static_cast<size_t>(p)] & CaretStop); }

int TextEdit::SnapToStop(int p) const {
    p = Clamp(p);
    while (p > 0 && !IsStop(p)) --p;
    return p;
}

int TextEdit::NextStop(int p) const {
    p = Clamp(p);
    if (p >= Length()) return Length();
    do ++p; while (p < Length() && !IsStop(p));
    return p;
}

int TextEdit::PreviousStop(int p) const {
    p = Clamp(p);
    if (p <= 0) return 0;
    do --p; while (p > 0 && !IsStop(p));
    return p;
}

// Hidden text has no words to show: word moves go to its ends.
int TextEdit::NextWordStart(int p) const {
    if (Hidden()) return Length();
    const auto& f = Flags();
    p = Clamp(p);
    while (p < Length()) {
        ++p;
        if (f[static_cast<size_t>(p)] & WordStart) return p;
    }
    return Length();
}

int TextEdit::PreviousWordStart(int p) const {
    if (Hidden()) return 0;
    const auto& f = Flags();
    p = Clamp(p);
    while (p > 0) {
        --p;
        if (f[static_cast<size_t>(p)] & WordStart) return p;
    }
    return 0;
}

// ---- Changes from code

bool TextEdit::SetText(const std::string& utf8) {
    std::u32string s = Admit(DecodeUtf8(utf8), false, 0);
    m_history.clear();
    m_done = 0;
    m_mergeable = false;
    m_caret = m_anchor = 0;
    if (s == m_text) return false;
    m_text = std::move(s);
    Changed();
    return true;
}

bool TextEdit::SetSelText(const std::string& utf8) {
    m_mergeable = false;
    return Replace(SelStart(), SelStart() + SelLength(), Admit(DecodeUtf8(utf8), false, Length() - SelLength()), Step::Other);
}

void TextEdit::SetSelStart(int start) {
    m_mergeable = false;
    m_caret = m_anchor = Clamp(start);
}

void TextEdit::SetSelLength(int length) {
    m_mergeable = false;
    int start = SelStart();
    m_anchor = start;
    m_caret = Clamp(start + std::max(0, length));
}

void TextEdit::Select(int anchor, int caret) {
    m_mergeable = false;
    m_anchor = SnapToStop(anchor);
    m_caret = SnapToStop(caret);
}

// ---- Editing

std::u32string TextEdit::Admit(std::u32string s, bool userInput, int kept) const {
    // Line breaks: "\r\n" and "\r" become "\n"; a single-line box keeps what comes before the
    // first one.
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c == '\r') {
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
            c = '\n';
        }
        if (IsLineBreak(c)) {
            if (!m_multiLine) {
                if (userInput) break;
                continue;  // from code: a single-line box holds no line break
            }
            out += U'\n';
            continue;
        }
        if (c < 0x20 && c != '\t') continue;
        if (c == 0x7F) continue;
        out += c;
    }
    if (m_maxLength > 0) {
        int room = m_maxLength - kept;
        if (room <= 0) return {};
        if (static_cast<int>(out.size()) > room) {
            // Cut at a caret stop of the inserted text, so no cluster is split.
            std::vector<uint8_t> f = Analyser().Analyse(out);
            size_t cut = static_cast<size_t>(room);
            while (cut > 0 && cut < f.size() && !(f[cut] & CaretStop)) --cut;
            out.resize(cut);
        }
    }
    return out;
}

void TextEdit::Apply(int at, size_t removeCount, const std::u32string& insert) {
    m_text.replace(static_cast<size_t>(at), removeCount, insert);
    Changed();
}

bool TextEdit::Replace(int from, int to, std::u32string s, Step::Kind kind) {
    from = Clamp(from), to = Clamp(to);
    if (from > to) std::swap(from, to);
    if (from == to && s.empty()) return false;
    Step step;
    step.at = from;
    step.removed = m_text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
    step.inserted = s;
    step.anchorBefore = m_anchor;
    step.caretBefore = m_caret;
    step.kind = kind;
    if (step.removed == step.inserted) {
        m_caret = m_anchor = from + static_cast<int>(s.size());
        return false;
    }
    Apply(from, step.removed.size(), s);
    m_caret = m_anchor = from + static_cast<int>(s.size());

    m_history.resize(m_done);
    Step* last = m_done > 0 ? &m_history[m_done - 1] : nullptr;
    bool merged = false;
    if (m_mergeable && last && last->kind == kind) {
        if (kind == Step::Typing && step.removed.empty() && last->at + static_cast<int>(last->inserted.size()) == from) {
            last->inserted += step.inserted;
            merged = true;
        } else if (kind == Step::Backspace && step.inserted.empty() && from + static_cast<int>(step.removed.size()) == last->at &&
                   last->inserted.empty()) {
            last->removed = step.removed + last->removed;
            last->at = from;
            merged = true;
        } else if (kind == Step::Delete && step.inserted.empty() && from == last->at && last->inserted.empty()) {
            last->removed += step.removed;
            merged = true;
        }
    }
    if (!merged) {
        m_history.push_back(std::move(step));
        if (m_history.size() > kMaxSteps) m_history.erase(m_history.begin());
        m_done = m_history.size();
    }
    m_mergeable = kind != Step::Other;
    return true;
}

bool TextEdit::Type(const std::string& utf8) {
    if (m_locked) return false;
    std::u32string s = Admit(DecodeUtf8(utf8), true, Length() - SelLength());
    if (s.empty()) return false;
    // A typed line break or a selection replaced ends the run that undo takes back in one
    // step; spaces do not, so a typed sentence on one line comes back whole.
    if (SelLength() > 0) m_mergeable = false;
    bool changed = Replace(SelStart(), SelStart() + SelLength(), s, Step::Typing);
    if (s.back() == '\n') m_mergeable = false;
    return changed;
}

bool TextEdit::Paste(const std::string& utf8) {
    if (m_locked) return false;
    m_mergeable = false;
    std::u32string s = Admit(DecodeUtf8(utf8), true, Length() - SelLength());
    if (s.empty() && SelLength() == 0) return false;
    bool changed = Replace(SelStart(), SelStart() + SelLength(), s, Step::Other);
    m_mergeable = false;
    return changed;
}

bool TextEdit::NewLine() {
    if (!m_multiLine || m_locked) return false;
    m_mergeable = false;
    return Type("\n");
}

bool TextEdit::DeleteBackward(bool word) {
    if (m_locked) return false;
    if (SelLength() > 0) {
        m_mergeable = false;
        bool changed = Replace(SelStart(), SelStart() + SelLength(), {}, Step::Other);
        m_mergeable = false;
        return changed;
    }
    if (m_caret == 0) return false;
    // Backspace takes one code point back, as a classic edit does, so an accent typed last can
    // be corrected alone; Ctrl+Backspace to the previous word start.
    int from = word ? PreviousWordStart(m_caret) : m_caret - 1;
    if (!word && !IsStop(from)) {
        char32_t c = m_text[static_cast<size_t>(from)];
        bool mark = c >= 0x0300 && c <= 0x036F;  // a combining accent alone goes; else the cluster
        if (!mark) from = PreviousStop(m_caret);
    }
    return Replace(from, m_caret, {}, Step::Backspace);
}

bool TextEdit::DeleteForward(bool word) {
    if (m_locked) return false;
    if (SelLength() > 0) {
        m_mergeable = false;
        bool changed = Replace(SelStart(), SelStart() + SelLength(), {}, Step::Other);
        m_mergeable = false;
        return changed;
    }
    if (m_caret >= Length()) return false;
    int to = word ? NextWordStart(m_caret) : NextStop(m_caret);
    int at = m_caret;
    bool changed = Replace(at, to, {}, Step::Delete);
    return changed;
}

std::optional<std::string> TextEdit::Copy() const {
    if (Hidden() || SelLength() == 0) return std::nullopt;
    return SelText();
}

std::optional<std::string> TextEdit::Cut() {
    if (m_locked) return std::nullopt;
    auto copied = Copy();
    if (!copied) return std::nullopt;
    m_mergeable = false;
    Replace(SelStart(), SelStart() + SelLength(), {}, Step::Other);
    m_mergeable = false;
    return copied;
}

bool TextEdit::Undo() {
    if (m_locked || m_done == 0) return false;
    const Step& s = m_history[--m_done];
    Apply(s.at, s.inserted.size(), s.removed);
    m_anchor = Clamp(s.anchorBefore);
    m_caret = Clamp(s.caretBefore);
    m_mergeable = false;
    return true;
}

bool TextEdit::Redo() {
    if (m_locked || m_done >= m_history.size()) return false;
    const Step& s = m_history[m_done++];
    Apply(s.at, s.removed.size(), s.inserted);
    m_caret = m_anchor = s.at + static_cast<int>(s.inserted.size());
    m_mergeable = false;
    return true;
}

// ---- Caret

void TextEdit::MoveCaret(Move move, bool extend) {
    m_mergeable = false;
    int p = m_caret;
    switch (move) {
    case Move::Left:
        // Without Shift a selection collapses to its start, as classic edits do.
        if (!extend && SelLength() > 0) p = SelStart();
        else p = PreviousStop(p);
        break;
    case Move::Right:
        if (!extend && SelLength() > 0) p = SelStart() + SelLength();
        else p = NextStop(p);
        break;
    case Move::WordLeft: p = PreviousWordStart(p); break;
    case Move::WordRight: p = NextWordStart(p); break;
    case Move::LineStart:
        while (p > 0 && m_text[static_cast<size_t>(p - 1)] != '\n') --p;
        break;
    case Move::LineEnd:
        while (p < Length() && m_text[static_cast<size_t>(p)] != '\n') ++p;
        break;
    case Move::TextStart: p = 0; break;
    case Move::TextEnd: p = Length(); break;
    }
    m_caret = p;
    if (!extend) m_anchor = p;
}

void TextEdit::PlaceCaret(int position, bool extend) {
    m_mergeable = false;
    m_caret = SnapToStop(position);
    if (!extend) m_anchor = m_caret;
}

void TextEdit::SelectAll() {
    m_mergeable = false;
    m_anchor = 0;
    m_caret = Length();
}

void TextEdit::SelectWordAt(int position) {
    m_mergeable = false;
    int p = SnapToStop(position);
    if (Hidden()) {
        SelectAll();
        return;
    }
    const auto& f = Flags();
    // The word under the position (or the run of spaces and punctuation there), up to the next
    // word start, so the spaces after a word come with it as classic edits select them.
    int start = p;
    while (start > 0 && !(f[static_cast<size_t>(start)] & WordStart)) {
        if (m_text[static_cast<size_t>(start - 1)] == '\n') break;
        --start;
    }
    int end = p < Length() ? NextWordStart(p) : p;
    for (int i = p; i < end; ++i)
        if (m_text[static_cast<size_t>(i)] == '\n') { end = i; break; }
    m_anchor = start;
    m_caret = end;
}

}  // namespace stolvane
