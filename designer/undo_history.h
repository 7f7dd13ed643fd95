// SPDX-License-Identifier: MIT
// Undo and redo for the designer: the form-file text of the form after each change. Undoing
// loads the text before the change again; a new change drops whatever could be redone. Texts
// are kept whole (a form of 1 000 controls is some 300 KB); past kMaxSteps the oldest goes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace stolvane {

class UndoHistory {
public:
    static constexpr size_t kMaxSteps = 200;

    // The form as it is now, before any change (a new or opened form): nothing to undo.
    void Reset(std::string text);
    // The form after a change; false (and nothing recorded) when the text is the same.
    bool Record(std::string text);
    bool CanUndo() const { return m_at > 0; }
    bool CanRedo() const { return m_at + 1 < m_texts.size(); }
    // The text to load to undo or redo one change; nothing when there is none.
    std::optional<std::string> Undo();
    std::optional<std::string> Redo();
    const std::string& Current() const { return m_texts[m_at]; }
    // The bytes kept, for measurements.
    size_t Bytes() const;

private:
    std::vector<std::string> m_texts{std::string()};
    size_t m_at = 0;
};

}  // namespace stolvane
