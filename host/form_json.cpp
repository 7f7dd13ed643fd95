// SPDX-License-Identifier: MIT
#include "host/form_json.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace stolvane::formfile {

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string Describe(const Json& v) {
    if (v.is_null()) return "null";
    if (v.is_boolean() || v.is_number()) return v.dump();
    if (v.is_string()) {
        std::string s = v.get<std::string>();
        return s.size() <= 40 ? Quote(s) : "a string";
    }
    return v.is_array() ? "an array" : "an object";
}

Json Number(double v) {
    if (std::nearbyint(v) == v && std::fabs(v) < 9.0e15) return static_cast<int64_t>(v);
    return v;
}

Json SingleNumber(double v) {
    float f = static_cast<float>(v);
    if (std::nearbyint(f) == f && std::fabs(f) < 9.0e15f) return static_cast<int64_t>(f);
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, f);
    double d = 0;
    std::from_chars(buf, r.ptr, d);
    return d;
}

std::string HexColour(OleColour c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(c));
    return buf;
}

std::string Base64Encode(const std::string& bytes) {
    gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string out(text);
    g_free(text);
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
    // glib skips characters outside the alphabet without a word; a form file refuses them.
    size_t end = text.size();
    while (end > 0 && text[end - 1] == '=') --end;
    auto alphabet = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/'; };
    if (!std::all_of(text.begin(), text.begin() + static_cast<ptrdiff_t>(end), alphabet)) return std::nullopt;
    if (end % 4 == 1) return std::nullopt;
    // Padding is optional in a data: URL; glib wants whole groups of four.
    std::string padded(text.substr(0, end));
    padded.append((4 - padded.size() % 4) % 4, '=');
    gsize length = 0;
    guchar* bytes = g_base64_decode(padded.c_str(), &length);
    std::string out(reinterpret_cast<const char*>(bytes), length);
    g_free(bytes);
    return out;
}

bool SplitName(const std::string& text, std::string& name, int& index) {
    auto ident = [](const std::string& s) {
        if (s.empty() || s.size() > 255 || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_'))
            return false;
        for (char c : s)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
        return true;
    };
    auto open = text.find('(');
    if (open == std::string::npos) {
        name = text;
        index = -1;
        return ident(text);
    }
    if (text.back() != ')') return false;
    std::string digits = text.substr(open + 1, text.size() - open - 2);
    if (digits.empty() || digits.size() > 5 || (digits.size() > 1 && digits[0] == '0')) return false;
    for (char c : digits)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    index = std::stoi(digits);
    name = text.substr(0, open);
    return index <= 32767 && ident(name);
}

// ---------------------------------------------------------------- where pictures came from

namespace {

struct OriginEntry {
    std::weak_ptr<const Picture> picture;
    PictureOrigin origin;
};

// Keyed by picture handle; expired entries are pruned as the table grows.
class PictureOrigins {
public:
    void Remember(const PictureRef& p, std::string spelling, bool data) {
        std::lock_guard lock(m_mutex);
        if (m_entries.size() >= m_pruneAt) {
            std::erase_if(m_entries, [](auto& e) { return e.second.picture.expired(); });
            m_pruneAt = std::max<size_t>(64, m_entries.size() * 2);
        }
        m_entries[p->Handle()] = {p, {std::move(spelling), data}};
    }
    std::optional<PictureOrigin> Find(const PictureRef& p) {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(p->Handle());
        if (it == m_entries.end() || it->second.picture.lock() != p) return std::nullopt;
        return it->second.origin;
    }

private:
    std::mutex m_mutex;
    std::map<uint64_t, OriginEntry> m_entries;
    size_t m_pruneAt = 64;
};

PictureOrigins& Origins() {
    static PictureOrigins origins;
    return origins;
}

constexpr size_t kLineWidth = 120;

std::string Inline(const Json& v) {
    if (v.is_object()) {
        std::string s = "{";
        for (auto& [k, x] : v.items()) s += (s.size() > 1 ? ", " : "") + Json(k).dump() + ": " + Inline(x);
        return s + "}";
    }
    if (v.is_array()) {
        std::string s = "[";
        for (auto& x : v) s += (s.size() > 1 ? ", " : "") + Inline(x);
        return s + "]";
    }
    return v.dump();
}

void Layout(const Json& v, size_t indent, size_t used, bool mayInline, std::string& out) {
    if (!v.is_structured() || v.empty()) {
        out += Inline(v);
        return;
    }
    if (mayInline) {
        std::string one = Inline(v);
        if (used + one.size() <= kLineWidth) {
            out += one;
            return;
        }
    }
    std::string pad(indent + 2, ' ');
    out += v.is_object() ? "{\n" : "[\n";
    size_t n = 0;
    for (auto& [k, x] : v.items()) {
        out += pad;
        size_t start = pad.size();
        if (v.is_object()) {
            std::string key = Json(k).dump() + ": ";
            out += key;
            start += key.size();
        }
        bool opens = v.is_object() && k == "controls";
        Layout(x, indent + 2, start + 1, !opens, out);
        out += ++n < v.size() ? ",\n" : "\n";
    }
    out += std::string(indent, ' ') + (v.is_object() ? "}" : "]");
}

}  // namespace

void RememberOrigin(const PictureRef& p, std::string spelling, bool data) {
    Origins().Remember(p, std::move(spelling), data);
}

std::optional<PictureOrigin> FindOrigin(const PictureRef& p) { return Origins().Find(p); }

std::string LayoutText(const Json& form) {
    std::string text;
    Layout(form, 0, 0, false, text);
    return text + "\n";
}

}  // namespace stolvane::formfile
