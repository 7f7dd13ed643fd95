// SPDX-License-Identifier: MIT
// Saving form files: the whole form is turned into text first (controls write their property
// bags, elements their stored members), then written atomically, so that a form that cannot be
// written out leaves the disk as it was.
#include <filesystem>

#include "core/element_members.h"
#include "core/library.h"
#include "core/surface_members.h"
#include "host/file_write.h"
#include "host/form_file.h"
#include "host/form_json.h"
#include "host/form_limits.h"
#include "host/limits.h"
#include "host/media.h"
#include "host/runtime.h"

namespace stolvane {

namespace fs = std::filesystem;

namespace {

using namespace formfile;

class Writer {
public:
    Writer(const Library& library, fs::path folder, std::string target)
        : m_library(library), m_folder(std::move(folder)), m_target(std::move(target)) {}

    Json FormJson(Form& form);

private:
    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        throw FormFileError("cannot save " + m_target + ": " + where + ": " + what);
    }
    Json PictureJson(const PictureRef& p, const std::string& where) const;
    Json FontJson(const Font& f) const;
    Json ValueJson(const Value& v, const PropType* type, const std::string& where) const;
    Json ControlJson(ControlElement& ce, const Font* formFont);
    Json ElementJson(Element& e, const Font& formFont);
    static Json ItemsJson(const std::vector<ListBox::Item>& items);
    void Children(Surface& s, Json& list, const Font* formFont);
    static bool AtDefault(const MemberInfo& m, const Value& v, const Font* formFont);
    Json MemberJson(const MemberInfo& m, const Value& v, const std::string& where) const;

    const Library& m_library;
    fs::path m_folder;  // absolute folder of the new file
    std::string m_target;
};

Json Writer::FontJson(const Font& f) const {
    Json j;
    j["Name"] = f.name;
    j["Size"] = Number(f.size);
    if (f.bold) j["Bold"] = true;
    if (f.italic) j["Italic"] = true;
    if (f.underline) j["Underline"] = true;
    if (f.strikethrough) j["Strikethrough"] = true;
    if (f.weight != (f.bold ? 700 : 400)) j["Weight"] = f.weight;
    if (f.charset != 0) j["Charset"] = f.charset;
    return j;
}

Json Writer::PictureJson(const PictureRef& p, const std::string& where) const {
    if (IsNoPicture(p)) return nullptr;
    auto origin = FindOrigin(p);
    if (origin && origin->data) return origin->spelling;
    std::error_code ec;
    const std::string& source = p->Source();
    if (!source.empty() && fs::is_regular_file(source, ec)) {
        fs::path file = fs::absolute(source, ec).lexically_normal();
        bool spelledAbsolute = origin && fs::path(origin->spelling).is_absolute();
        fs::path rel = file.lexically_relative(m_folder);
        bool inside = !rel.empty() && *rel.begin() != "..";
        // Relative when the picture lies in the form's folder, or when the file that loaded it
        // spelled it relative; absolute otherwise.
        if (!spelledAbsolute && !rel.empty() && (inside || origin)) return rel.generic_string();
        return file.string();
    }
    try {
        return "data:image/png;base64," + Base64Encode(EncodePng(*p));
    } catch (const HostError& e) {
        Fail(where, "the picture cannot be encoded (" + e.description + ")");
    }
}

Json Writer::ValueJson(const Value& v, const PropType* type, const std::string& where) const {
    bool number = std::holds_alternative<int64_t>(v) || std::holds_alternative<double>(v);
    if (type && number) {
        switch (*type) {
            case PropType::Boolean: return AsNumber(v) != 0;
            case PropType::Colour:
                if (auto i = std::get_if<int64_t>(&v)) return HexColour(static_cast<uint32_t>(*i));
                break;
            case PropType::Single: return SingleNumber(AsNumber(v));
            default: break;
        }
    }
    if (auto i = std::get_if<int64_t>(&v)) return *i;
    if (auto d = std::get_if<double>(&v)) return Number(*d);
    if (auto s = std::get_if<std::string>(&v)) return *s;
    if (auto f = std::get_if<FontRef>(&v)) return *f ? FontJson(**f) : Json(nullptr);
    if (auto p = std::get_if<PictureRef>(&v)) return PictureJson(*p, where);
    return nullptr;
}

Json Writer::ControlJson(ControlElement& ce, const Font* formFont) {
    Surface& s = ce.GetSurface();
    Control& c = ce.GetControl();
    std::string where = "control " + Quote(s.FullName());
    PropertyMap bag;
    try {
        c.WriteProperties(bag);
    } catch (const HostError& e) {
        Fail(where, "writing its properties failed (" + e.description + ")");
    }
    Json j;
    j["name"] = s.FullName();
    j["class"] = c.ClassName();
    j["left"] = Number(s.Left());
    j["top"] = Number(s.Top());
    j["width"] = Number(s.Width());
    j["height"] = Number(s.Height());
    j["tabIndex"] = s.TabIndex();
    j["tabStop"] = s.TabStop();
    if (s.Anchor() != AnchorEdge::Default) j["anchor"] = AnchorText(s.Anchor());
    j["visible"] = s.Visible();
    if (const ControlElement* ce = s.EmbeddingElement(); ce && !ce->ToolTipText().empty())
        j["toolTipText"] = ce->ToolTipText();
    Json props = Json::object();
    for (auto& [key, value] : bag.Entries()) {
        // A font property left empty (never set) reads back as the ambient font: leave it out.
        if (auto f = std::get_if<FontRef>(&value); f && !*f) continue;
        const PropType* type = nullptr;
        for (auto& p : c.Properties())
            if (p.persisted && p.name == key) type = &p.type;
        props[key] = ValueJson(value, type, where + ", property " + Quote(key));
    }
    j["properties"] = std::move(props);
    const ClassInfo* info = m_library.FindClass(c.ClassName());
    if (info && info->container) {
        Json children = Json::array();
        Children(s, children, formFont);
        if (!children.empty()) j["controls"] = std::move(children);
    }
    return j;
}


// An element's stored members under their keys, in the order of its kind's table; a member at
// its default is left out unless its kind always writes it (geometry, a line's ends, a label's
// caption, a timer's interval). A label's font is left out when it is the form's.
Json Writer::ElementJson(Element& e, const Font& formFont) {
    const ElementKindInfo& info = KindInfo(e.Kind());
    std::string where = "control " + Quote(e.FullName());
    Json j;
    j["name"] = e.FullName();
    j["class"] = info.className;
    for (const ElementMember& m : info.members) {
        if (!m.stored) continue;
        std::string key = m.Key();
        if (m.type == MemberType::Items) {
            auto items = m.getItems(e);
            if (!items.empty()) j[key] = ItemsJson(items);
            continue;
        }
        Value v = m.get(e);
        if (!m.alwaysWritten && AtDefault(m, v, &formFont)) continue;
        j[key] = MemberJson(m, v, where);
    }
    return j;
}

// A member's value at its default: a font equal to the form's, no picture, or the row's default.
bool Writer::AtDefault(const MemberInfo& m, const Value& v, const Font* formFont) {
    switch (m.type) {
        case MemberType::Font: {
            FontRef f = AsFont(v);
            return f && formFont && *f == *formFont;
        }
        case MemberType::Picture: return IsNoPicture(AsPicture(v));
        default: return ValuesEqual(v, m.defaultValue);
    }
}

// A member's value as the file holds it, by the member's type.
Json Writer::MemberJson(const MemberInfo& m, const Value& v, const std::string& where) const {
    switch (m.type) {
        case MemberType::Boolean: return AsInteger(v) != 0;
        case MemberType::Int16:
        case MemberType::Int32: return AsInteger(v);
        case MemberType::Colour: return HexColour(static_cast<OleColour>(AsInteger(v)));
        case MemberType::Twips:
        case MemberType::Size: return Number(AsNumber(v));
        case MemberType::String: return AsString(v);
        case MemberType::Font: return FontJson(AsFont(v) ? *AsFont(v) : Font{});
        case MemberType::Picture: return PictureJson(AsPicture(v), where + ", key " + Quote(m.Key()));
        case MemberType::Items: break;
    }
    return nullptr;
}

// Rows without data, a tick or a heading's state are plain strings.
Json Writer::ItemsJson(const std::vector<ListBox::Item>& items) {
    Json list = Json::array();
    for (const auto& item : items) {
        if (item.data == 0 && !item.checked && !item.heading && !item.collapsed) {
            list.push_back(item.text);
            continue;
        }
        Json o;
        o["text"] = item.text;
        if (item.data != 0) o["data"] = item.data;
        if (item.checked) o["checked"] = true;
        if (item.heading) o["heading"] = true;
        if (item.collapsed) o["collapsed"] = true;
        list.push_back(std::move(o));
    }
    return list;
}


// Saves what the form's author placed: on the form, its controls and intrinsic elements; in a
// container control, the controls placed in it (the elements there are the control's own
// design, which the control rebuilds itself). Menu items have no form-file form.
void Writer::Children(Surface& s, Json& list, const Font* formFont) {
    for (auto& e : s.Elements()) {
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) {
            if (!ce->IsDesignChild()) list.push_back(ControlJson(*ce, formFont));
            continue;
        }
        // In a container only what the author placed: the rest is the control's own design.
        if ((s.IsForm() || e->Authored()) && KindInfo(e->Kind()).inFormFiles) list.push_back(ElementJson(*e, *formFont));
    }
}

Json Writer::FormJson(Form& form) {
    Json j;
    j["name"] = form.Name();
    for (const SurfaceMember* m : FormFileMembers()) {
        Value v = m->get(form);
        if (!m->alwaysWritten && AtDefault(*m, v, nullptr)) continue;
        j[m->Key()] = MemberJson(*m, v, "form");
    }
    Font font = form.GetFont() ? *form.GetFont() : Font{};
    Json controls = Json::array();
    Children(form, controls, &font);
    j["controls"] = std::move(controls);
    return j;
}

// The file's layout: a value that fits on its line is written there in one piece (a font, a

}  // namespace

std::string FormFileText(Runtime& runtime, Form& form, const std::string& folder, const std::string& sourceName) {
    Writer writer(runtime.GetLibrary(), fs::path(folder), sourceName);
    Json doc = writer.FormJson(form);
    // What saves, loads: the document is held to the reader's limits before it becomes text.
    CheckSavable(doc, [&](const std::string& where, const std::string& what) {
        throw FormFileError("cannot save " + sourceName + ": " + where + ": " + what);
    });
    std::string text = LayoutText(doc);
    if (text.size() > limits::kMaxFileBytes)
        throw FormFileError("cannot save " + sourceName + ": the form file would be " +
                            std::to_string(text.size() >> 20) + " MB, over the 64 MB a form file may hold");
    return text;
}

void SaveFormFile(Runtime& runtime, Form& form, const std::string& path) {
    if (path.empty()) throw FormFileError("cannot save a form without a file name");
    std::error_code ec;
    fs::path folder = fs::absolute(fs::path(path), ec).lexically_normal().parent_path();
    if (ec) throw FormFileError("cannot save " + path + ": " + ec.message());
    // The whole text exists before any file is touched: a form that cannot be written out
    // (a picture that does not encode, say) leaves the disk as it was.
    std::string text = FormFileText(runtime, form, folder.string(), path);
    try {
        WriteFileAtomically(path, text);
    } catch (const FileWriteError& e) {
        throw FormFileError(e.what());
    }
}

}  // namespace stolvane
