// SPDX-License-Identifier: MIT
#include "core/library.h"

namespace stolvane {

namespace {

// Adds an entry, or replaces the one of the same name.
template <class T>
void Put(std::vector<T>& list, T info) {
    for (auto& x : list)
        if (x.name == info.name) {
            x = std::move(info);
            return;
        }
    list.push_back(std::move(info));
}

template <class T>
const T* Named(const std::vector<T>& list, const std::string& name) {
    for (auto& x : list)
        if (x.name == name) return &x;
    return nullptr;
}

}  // namespace

Library& Library::Instance() {
    static Library lib;
    return lib;
}

void Library::AddClass(ClassInfo info) { Put(m_classes, std::move(info)); }
void Library::AddForm(LibraryFormInfo info) { Put(m_forms, std::move(info)); }
const ClassInfo* Library::FindClass(const std::string& name) const { return Named(m_classes, name); }
const LibraryFormInfo* Library::FindForm(const std::string& name) const { return Named(m_forms, name); }

}  // namespace stolvane
