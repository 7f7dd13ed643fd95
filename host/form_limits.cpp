// SPDX-License-Identifier: MIT
#include "host/form_limits.h"

#include <glib.h>

#include <cmath>

#include "core/element_members.h"
#include "core/library.h"
#include "host/limits.h"

namespace stolvane::formfile {

std::optional<TextRefusal> ScanFormText(std::string_view text) {
    auto refuse = [&](size_t at, std::string reason) {
        TextRefusal r;
        for (size_t i = 0; i < at && i < text.size(); ++i) {
            if (text[i] == '\n')
                ++r.line, r.column = 1;
            else
                ++r.column;
        }
        r.reason = std::move(reason);
        return r;
    };
    int depth = 0;
    size_t values = 0;
    bool inString = false, escaped = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0') return refuse(i, "a NUL byte, which a form file (text) never holds");
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
            case '"': inString = true; break;
            case '[':
            case '{':
                if (++depth > limits::kMaxJsonDepth)
                    return refuse(i, "nested deeper than " + std::to_string(limits::kMaxJsonDepth) + " levels");
                [[fallthrough]];
            case ',':
                if (++values > limits::kMaxJsonValues)
                    return refuse(i, "more than " + std::to_string(limits::kMaxJsonValues) + " values");
                break;
            case ']':
            case '}': --depth; break;
            default: break;
        }
    }
    return std::nullopt;
}

std::optional<std::string> TextProblem(const std::string& text) {
    if (text.size() <= limits::kMaxTextBytes) return std::nullopt;
    return "a text of " + std::to_string(text.size()) + " bytes, over the limit of " +
           std::to_string(limits::kMaxTextBytes);
}

namespace {

class SaveCheck {
public:
    explicit SaveCheck(const SaveFailure& fail) : m_fail(fail) {}

    void Form(const Json& form) {
        const std::string where = "form";
        Utf8(form, where);
        Geometry(form, where);
        if (auto it = form.find("caption"); it != form.end()) Text(*it, where + ", key \"caption\"");
        if (auto it = form.find("font"); it != form.end()) FontName(*it, where + ", key \"font\"");
        if (auto it = form.find("controls"); it != form.end()) Entries(*it, 0);
    }

private:
    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        m_fail(where, what);
        throw std::logic_error("a save failure returned");
    }

    // Every string of the document, keys and values: JSON text is UTF-8.
    void Utf8(const Json& v, const std::string& where) const {
        auto valid = [](const std::string& s) {
            return g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr) != 0;
        };
        if (v.is_string()) {
            if (!valid(v.get_ref<const std::string&>()))
                Fail(where, "the text is not UTF-8 (a form file holds UTF-8 text only)");
            return;
        }
        if (v.is_object()) {
            for (auto& [k, x] : v.items()) {
                if (!valid(k)) Fail(where, "a key that is not UTF-8");
                // The entries of a container are checked on their own, with their names.
                if (k == "controls") continue;
                Utf8(x, where + ", key " + Json(k).dump());
            }
        } else if (v.is_array()) {
            for (auto& x : v) Utf8(x, where);
        }
    }

    void Coordinate(const Json& v, const std::string& where) const {
        if (!v.is_number()) return;
        double d = v.get<double>();
        if (!std::isfinite(d) || std::fabs(d) > limits::kMaxCoordinateTwips)
            Fail(where, v.dump() + " is beyond the positions a form file holds (-1e9 to 1e9 twips)");
    }

    void Size(const Json& v, const std::string& where) const {
        if (!v.is_number()) return;
        double d = v.get<double>();
        if (!std::isfinite(d) || d < 0 || d > limits::kMaxSizeTwips)
            Fail(where, v.dump() + " is beyond the sizes a form file holds (0 to 491505 twips)");
    }

    void Geometry(const Json& obj, const std::string& where) const {
        for (const char* k : {"left", "top"})
            if (auto it = obj.find(k); it != obj.end()) Coordinate(*it, where + ", key " + Json(k).dump());
        for (const char* k : {"width", "height"})
            if (auto it = obj.find(k); it != obj.end()) Size(*it, where + ", key " + Json(k).dump());
    }

    void Text(const Json& v, const std::string& where) const {
        if (!v.is_string()) return;
        if (auto problem = TextProblem(v.get_ref<const std::string&>())) Fail(where, *problem);
    }

    void FontName(const Json& font, const std::string& where) const {
        if (!font.is_object()) return;
        if (auto it = font.find("Name"); it != font.end()) Text(*it, where + ", font member \"Name\"");
    }

    void Entries(const Json& list, int depth) {
        if (!list.is_array()) return;
        for (const Json& e : list) Entry(e, depth);
    }

    void Entry(const Json& e, int depth) {
        if (!e.is_object()) return;
        std::string name = e.value("name", std::string());
        std::string where = "control " + Json(name).dump(-1, ' ', false, Json::error_handler_t::replace);
        Utf8(e, where);
        if (depth > limits::kMaxNesting)
            Fail(where, "containers are nested more than " + std::to_string(limits::kMaxNesting) +
                            " deep, which a form file cannot hold");
        Geometry(e, where);
        std::string cls = e.value("class", std::string());
        if (const ClassInfo* info = Library::Instance().FindClass(cls)) {
            auto props = e.find("properties");
            if (props != e.end() && props->is_object() && info->properties) {
                for (const PropertyInfo& p : info->properties()) {
                    auto it = props->find(p.name);
                    if (!p.persisted || it == props->end()) continue;
                    std::string pw = where + ", property " + Json(p.name).dump();
                    if (p.type == PropType::String) Text(*it, pw);
                    if (p.type == PropType::Font) FontName(*it, pw);
                }
            }
            if (auto children = e.find("controls"); children != e.end()) Entries(*children, depth + 1);
            return;
        }
        const ElementKindInfo* kind = FindElementKind(cls);
        if (!kind) return;
        for (const ElementMember& m : kind->members) {
            auto it = e.find(m.Key());
            if (!m.stored || it == e.end()) continue;
            std::string kw = where + ", key " + Json(m.Key()).dump();
            switch (m.type) {
                case MemberType::Twips: Coordinate(*it, kw); break;
                case MemberType::Size: Size(*it, kw); break;
                case MemberType::String: Text(*it, kw); break;
                case MemberType::Font: FontName(*it, kw); break;
                case MemberType::Items:
                    if (it->is_array())
                        for (const Json& item : *it) Text(item.is_object() ? item.value("text", Json()) : item, kw);
                    break;
                default: break;
            }
        }
    }

    const SaveFailure& m_fail;
};

}  // namespace

void CheckSavable(const Json& form, const SaveFailure& fail) { SaveCheck(fail).Form(form); }

}  // namespace stolvane::formfile
