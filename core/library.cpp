#include "core/library.h"

namespace stolvane {

Library& Library::Instance() {
    static Library lib;
    return lib;
}

void Library::AddClass(ClassInfo info) {
    for (auto& c : m_classes)
        if (c.name == info.name) {
            c = std::move(info);
            return;
        }
    m_classes.push_back(std::move(info));
}

void Library::AddForm(LibraryFormInfo info) {
    for (auto& f : m_forms)
        if (f.name == info.name) {
            f = std::move(info);
            return;
        }
    m_forms.push_back(std::move(info));
}

const ClassInfo* Library::FindClass(const std::string& name) const {
    for (auto& c : m_classes)
        if (c.name == name) return &c;
    return nullptr;
}

const LibraryFormInfo* Library::FindForm(const std::string& name) const {
    for (auto& f : m_forms)
        if (f.name == name) return &f;
    return nullptr;
}

}  // namespace stolvane
