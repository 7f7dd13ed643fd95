// SPDX-License-Identifier: MIT
// Inside the form-file reader: the plan a file is turned into before anything is created, and
// the reader that checks every value on the way. Only host/form_*.cpp include this.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/element_members.h"
#include "core/library.h"
#include "host/form_file.h"
#include "host/form_json.h"

namespace stolvane::formfile {

// What reading needs to know about a class before any instance is placed: its stored keys with
// their types, and whether it holds other controls. Both come from the class description.
struct StoredKey {
    std::string name;
    PropType type;
    const EnumInfo* enumeration = nullptr;  // values outside it may be refused
};

struct ClassFacts {
    std::vector<StoredKey> keys;
    bool container = false;
    const StoredKey* Find(const std::string& key) const {
        for (auto& k : keys)
            if (k.name == key) return &k;
        return nullptr;
    }
};

// One member value of an element, checked and converted, applied once the element exists.
struct PlannedValue {
    const ElementMember* member = nullptr;
    Value value;
    std::vector<ListBox::Item> items;  // a list box's rows
};

struct PlannedEntry {
    std::string label;  // the name as written, for messages
    std::string name;
    int index = -1;
    const ClassInfo* classInfo = nullptr;  // a library control; else an intrinsic element
    ElementKind kind = ElementKind::Control;
    Rect rect;
    int tabIndex = 0;
    std::optional<bool> tabStop;  // the class's own choice when absent
    uint8_t anchor = AnchorEdge::Default;
    bool visible = true;
    std::string toolTipText;  // shown while the pointer rests on the control
    PropertyMap properties;
    std::vector<PlannedEntry> children;
    std::vector<PlannedValue> values;  // an element's, in the order of its kind's members
};

constexpr OleColour kDefaultBack = SysColour::ButtonFace;

struct PlannedForm {
    std::string name;
    std::string caption;
    double left = 0, top = 0, width = 4800, height = 3600;
    int16_t borderStyle = Form::Sizable;
    FontRef font = MakeFont("MS Sans Serif", 8.25);
    PictureRef icon = Picture::Empty();
    OleColour backColour = kDefaultBack;
    double minWidth = 0, minHeight = 0;
    bool keyPreview = false;
    std::string defaultButton, cancelButton;
    std::vector<PlannedEntry> entries;
};

// Where in the file a value sits, for a message: a spelled place, or what spells it. Only a
// failure spells it, so reading a large form makes no message texts. A Where lives as long as
// the call it is handed to.
class Where {
public:
    Where(const std::string& text) : m_text(&text) {}  // NOLINT(google-explicit-constructor)
    template <class F, class = std::enable_if_t<std::is_invocable_r_v<std::string, const F&>>>
    Where(const F& spell)  // NOLINT(google-explicit-constructor)
        : m_spelling(&spell), m_spell([](const void* f) -> std::string { return (*static_cast<const F*>(f))(); }) {}
    std::string Text() const { return m_text ? *m_text : m_spell(m_spelling); }

private:
    const std::string* m_text = nullptr;
    const void* m_spelling = nullptr;
    std::string (*m_spell)(const void*) = nullptr;
};

// The keys of one JSON object, taken one by one; whatever is left over is a key the format
// does not know, reported in the order of the file. The keys expected are named only in that
// message: a fixed list of them is kept by reference (a static array), others as text.
class Fields {
public:
    explicit Fields(const Json& obj) : m_obj(obj) {
        if (obj.size() > 64) m_takenMany.assign(obj.size(), false);
    }
    const Json* Take(std::string_view key) {
        // Objects keep their members in the order of the file; the one taken is marked.
        size_t i = 0;
        for (auto it = m_obj.begin(); it != m_obj.end(); ++it, ++i) {
            if (it.key() == key) {
                Mark(i);
                return &*it;
            }
        }
        return nullptr;
    }
    std::optional<std::string> Leftover() const {
        size_t i = 0;
        for (auto it = m_obj.begin(); it != m_obj.end(); ++it, ++i)
            if (!Taken(i)) return it.key();
        return std::nullopt;
    }
    std::string Known() const {
        std::string s;
        for (const char* k : m_fixed) s += (s.empty() ? "" : ", ") + std::string(k);
        for (auto& k : m_order) s += (s.empty() ? "" : ", ") + k;
        return s;
    }
    template <size_t N>
    void Expect(const char* const (&keys)[N]) {
        m_fixed = keys;
    }
    void Expect(const std::string& key) { m_order.push_back(key); }

private:
    void Mark(size_t i) {
        if (m_takenMany.empty())
            m_taken |= uint64_t{1} << i;
        else
            m_takenMany[i] = true;
    }
    bool Taken(size_t i) const { return m_takenMany.empty() ? (m_taken >> i & 1) != 0 : m_takenMany[i]; }

    const Json& m_obj;
    uint64_t m_taken = 0;             // by the member's place in the object, up to 64 members
    std::vector<bool> m_takenMany;    // a larger object's
    std::span<const char* const> m_fixed;
    std::vector<std::string> m_order;
};

class Reader {
public:
    Reader(Runtime& runtime, std::string source, std::string baseDir)
        : m_runtime(runtime), m_source(std::move(source)), m_baseDir(std::move(baseDir)) {}

    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        throw FormFileError(m_source + ": " + (where.empty() ? "" : where + ": ") + what);
    }
    [[noreturn]] void Fail(const Where& where, const std::string& what) const { Fail(where.Text(), what); }

    Json Parse(const std::string& text) const;
    PlannedForm PlanForm(const Json& doc);

    // Typed values; `where` names the control and key for messages.
    bool Boolean(const Json& v, const Where& where) const;
    // An integer from lo to hi. `range` names the storage ("a 16-bit integer": a value outside is
    // an overflow) or, with overflow false, the values a setting allows ("a border style (0 to 5)", false).
    int64_t Integer(const Json& v, const Where& where, int64_t lo, int64_t hi, const char* range,
                    bool overflow = true) const;
    double Coordinate(const Json& v, const Where& where) const;
    double Size(const Json& v, const Where& where) const;
    OleColour Colour(const Json& v, const Where& where) const;
    std::string Text(const Json& v, const Where& where) const;
    Font FontValue(const Json& v, const Where& where) const;
    PictureRef PictureValue(const Json& v, const Where& where);
    Value Property(const Json& v, PropType type, const Where& where);
    // An element member's value by its type (not Items).
    Value Member(const Json& v, const ElementMember& m, const Where& where);
    std::vector<ListBox::Item> Items(const Json& v, const Where& where) const;

private:
    void PlanEntries(const Json& list, const Where& where, std::vector<PlannedEntry>& out, int depth,
                     bool onForm);
    // The n-th entry (from 1) of the list `list` names.
    PlannedEntry PlanEntry(const Json& obj, const Where& list, size_t n, int depth, bool onForm);
    void PlanControl(PlannedEntry& e, Fields& f, const Where& where, int depth);
    void PlanElement(PlannedEntry& e, Fields& f, const Where& where);
    const ClassFacts& Facts(const ClassInfo& info);
    void ClaimName(const PlannedEntry& e, const std::string& cls, const Where& where);

    Runtime& m_runtime;
    std::string m_source;
    std::string m_baseDir;  // empty: library resources, then the current folder
    FontRef m_formFont;
    int m_nextTabIndex = 0;
    std::map<std::string, ClassFacts> m_facts;
    std::map<std::string, PictureRef> m_pictures;  // by resolved path or data: URL, loaded once
    // Every name the form's entries bear: whether it names an array, the class its members
    // share, and the indexes of the array taken so far.
    struct NameUse {
        bool array = false;
        std::string cls;
        std::unordered_set<int> indexes;
    };
    std::unordered_map<std::string, NameUse> m_names;
};

// Creates the planned form; a form that fails half way is unloaded again.
Form& Build(Runtime& runtime, const PlannedForm& plan, const std::string& source, const FormLoadOptions& options = {});

}  // namespace stolvane::formfile
