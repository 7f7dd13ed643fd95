// SPDX-License-Identifier: MIT
#include "designer/form_text.h"

#include <algorithm>

#include "core/element_members.h"
#include "host/form_file.h"

namespace stolvane::designer {

namespace {

bool Named(const Json& entry, const std::vector<std::string>& names) {
    auto n = entry.find("name");
    return n != entry.end() && n->is_string() &&
           std::find(names.begin(), names.end(), n->get<std::string>()) != names.end();
}

void CollectNames(const Json& list, std::set<std::string>& out) {
    if (!list.is_array()) return;
    for (const Json& e : list) {
        if (auto n = e.find("name"); n != e.end() && n->is_string()) out.insert(n->get<std::string>());
        if (auto c = e.find("controls"); c != e.end()) CollectNames(*c, out);
    }
}

void Copy(const Json& list, const std::vector<std::string>& names, Json& out) {
    if (!list.is_array()) return;
    for (const Json& e : list) {
        if (Named(e, names)) {
            out.push_back(e);
            continue;
        }
        if (auto c = e.find("controls"); c != e.end()) Copy(*c, names, out);
    }
}

size_t Remove(Json& list, const std::vector<std::string>& names) {
    if (!list.is_array()) return 0;
    size_t gone = 0;
    for (size_t i = list.size(); i-- > 0;) {
        if (Named(list[i], names)) {
            list.erase(i);
            ++gone;
            continue;
        }
        if (auto c = list[i].find("controls"); c != list[i].end()) gone += Remove(*c, names);
    }
    return gone;
}

// The class name without an array's index as the base of new names ("Label" for an element).
std::string BaseOf(const Json& entry) {
    auto c = entry.find("class");
    return c != entry.end() && c->is_string() ? c->get<std::string>() : std::string("Control");
}

Json* FindEntry(Json& list, const std::string& name) {
    if (!list.is_array()) return nullptr;
    for (Json& e : list) {
        if (auto n = e.find("name"); n != e.end() && n->is_string() && n->get<std::string>() == name) return &e;
        if (auto c = e.find("controls"); c != e.end())
            if (Json* found = FindEntry(*c, name)) return found;
    }
    return nullptr;
}

size_t Reorder(Json& list, const std::vector<std::string>& names, bool toFront) {
    if (!list.is_array()) return 0;
    size_t found = 0;
    Json moved = Json::array(), rest = Json::array();
    for (Json& e : list) {
        if (auto c = e.find("controls"); c != e.end()) found += Reorder(*c, names, toFront);
        (Named(e, names) ? moved : rest).push_back(std::move(e));
    }
    found += moved.size();
    Json out = toFront ? std::move(rest) : std::move(moved);
    for (Json& e : toFront ? moved : rest) out.push_back(std::move(e));
    list = std::move(out);
    return found;
}

}  // namespace

Json ParseFormText(const std::string& text, const std::string& source) {
    Json doc = Json::parse(text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) throw FormFileError(source + ": not a form file");
    if (!doc.contains("controls")) doc["controls"] = Json::array();
    return doc;
}

std::string FormText(const Json& doc) { return formfile::LayoutText(doc); }

std::set<std::string> EntryNames(const Json& doc) {
    std::set<std::string> names;
    if (auto c = doc.find("controls"); c != doc.end()) CollectNames(*c, names);
    return names;
}

Json CopyEntries(const Json& doc, const std::vector<std::string>& names) {
    Json out = Json::array();
    if (auto c = doc.find("controls"); c != doc.end()) Copy(*c, names, out);
    return out;
}

size_t RemoveEntries(Json& doc, const std::vector<std::string>& names) {
    auto c = doc.find("controls");
    return c == doc.end() ? 0 : Remove(*c, names);
}

std::vector<std::string> MakeNamesUnique(Json& entries, std::set<std::string>& taken) {
    std::vector<std::string> top;
    if (!entries.is_array()) return top;
    for (Json& e : entries) {
        std::string name = e.value("name", std::string());
        if (name.empty() || taken.count(name)) {
            const std::string base = BaseOf(e);
            for (int n = 1;; ++n) {
                name = base + std::to_string(n);
                if (!taken.count(name)) break;
            }
            e["name"] = name;
        }
        taken.insert(name);
        top.push_back(name);
        if (auto c = e.find("controls"); c != e.end()) MakeNamesUnique(*c, taken);
    }
    return top;
}

bool InsertEntries(Json& doc, const std::string& container, const Json& entries) {
    Json* list = &doc["controls"];
    if (!container.empty()) {
        Json* holder = FindEntry(*list, container);
        if (!holder) return false;
        list = &(*holder)["controls"];
        if (list->is_null()) *list = Json::array();
    }
    for (const Json& e : entries) list->push_back(e);
    return true;
}

size_t ReorderEntries(Json& doc, const std::vector<std::string>& names, bool toFront) {
    auto c = doc.find("controls");
    return c == doc.end() ? 0 : Reorder(*c, names, toFront);
}

void ShiftEntry(Json& entry, double dx, double dy) {
    auto shift = [&](const char* key, double by) {
        const Json* at = entry.contains(key) ? &entry[key] : nullptr;
        const double v = at && at->is_number() ? at->get<double>() : 0;
        entry[key] = formfile::Number(v + by);
    };
    if (entry.contains("x1")) {
        for (const char* k : {"x1", "x2"}) shift(k, dx);
        for (const char* k : {"y1", "y2"}) shift(k, dy);
        return;
    }
    const ElementKindInfo* kind = FindElementKind(entry.value("class", std::string()));
    if (kind && !kind->boxed) return;
    shift("left", dx);
    shift("top", dy);
}

bool RenameEntry(Json& doc, const std::string& from, const std::string& to) {
    Json* e = FindEntry(doc["controls"], from);
    if (!e) return false;
    (*e)["name"] = to;
    for (const char* key : {"defaultButton", "cancelButton"})
        if (auto k = doc.find(key); k != doc.end() && k->is_string() && k->get<std::string>() == from) *k = to;
    return true;
}

}  // namespace stolvane::designer
