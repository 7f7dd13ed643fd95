// SPDX-License-Identifier: MIT
#include "designer/undo_history.h"

namespace stolvane {

void UndoHistory::Reset(std::string text) {
    m_texts.clear();
    m_texts.push_back(std::move(text));
    m_at = 0;
}

bool UndoHistory::Record(std::string text) {
    if (text == m_texts[m_at]) return false;
    m_texts.resize(m_at + 1);
    m_texts.push_back(std::move(text));
    if (m_texts.size() > kMaxSteps + 1) m_texts.erase(m_texts.begin());
    m_at = m_texts.size() - 1;
    return true;
}

std::optional<std::string> UndoHistory::Undo() {
    if (!CanUndo()) return std::nullopt;
    return m_texts[--m_at];
}

std::optional<std::string> UndoHistory::Redo() {
    if (!CanRedo()) return std::nullopt;
    return m_texts[++m_at];
}

size_t UndoHistory::Bytes() const {
    size_t n = 0;
    for (const auto& t : m_texts) n += t.size();
    return n;
}

}  // namespace stolvane
