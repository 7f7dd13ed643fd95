// Form files. Reading happens in two steps: the whole JSON document is first checked and turned
// into a plan (names, classes, geometry, typed property bags, pictures already loaded), and only
// then is the form created and everything in the plan placed; if placing still fails, the
// half-built form is unloaded again. Saving turns the whole form into text first and writes it
// to a temporary file in the target's folder, which is then renamed over the target.

#include "host/form_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "core/library.h"
#include "core/resources.h"
#include "host/media.h"
#include "host/runtime.h"

namespace stolvane {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr size_t kMaxFileBytes = size_t(64) << 20;
constexpr int kMaxNesting = 32;
constexpr OleColour kDefaultBack = SysColour::ButtonFace;

// ---------------------------------------------------------------- small helpers

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

// A JSON value named for a message: the text of a short value, else its kind.
std::string Describe(const Json& v) {
    if (v.is_null()) return "null";
    if (v.is_boolean() || v.is_number()) return v.dump();
    if (v.is_string()) {
        std::string s = v.get<std::string>();
        return s.size() <= 40 ? Quote(s) : "a string";
    }
    return v.is_array() ? "an array" : "an object";
}

// Numbers are written as integers when they are whole, so twips read "120", not "120.0".
Json Number(double v) {
    if (std::nearbyint(v) == v && std::fabs(v) < 9.0e15) return static_cast<int64_t>(v);
    return v;
}

// A Single as its shortest decimal, so 0.1f is written "0.1" rather than 0.10000000149...
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

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
        out += kBase64[n >> 18];
        out += kBase64[(n >> 12) & 63];
        out += kBase64[(n >> 6) & 63];
        out += kBase64[n & 63];
    }
    if (i < bytes.size()) {
        uint32_t n = uint8_t(bytes[i]) << 16;
        if (i + 1 < bytes.size()) n |= uint8_t(bytes[i + 1]) << 8;
        out += kBase64[n >> 18];
        out += kBase64[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? kBase64[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Strict decoding: only the standard alphabet, padding only at the end.
std::optional<std::string> Base64Decode(std::string_view text) {
    while (!text.empty() && text.back() == '=') text.remove_suffix(1);
    if (text.size() % 4 == 1) return std::nullopt;
    std::string out;
    out.reserve(text.size() * 3 / 4);
    uint32_t acc = 0;
    int bits = 0;
    for (char c : text) {
        const char* p = c ? std::strchr(kBase64, c) : nullptr;
        if (!p) return std::nullopt;
        acc = (acc << 6) | static_cast<uint32_t>(p - kBase64);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

// "name" or "name(3)": an identifier, and an array index from 0 to 32767.
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

// Pictures that a form file loaded remember how the file spelled them, so that saving a loaded
// form unchanged writes the same text (a data: URL stays byte for byte what it was; a path
// written absolute stays absolute). Keyed by picture handle; entries die with their picture.
struct PictureOrigin {
    std::weak_ptr<const Picture> picture;
    std::string spelling;
    bool data = false;
};

class PictureOrigins {
public:
    void Remember(const PictureRef& p, std::string spelling, bool data) {
        std::lock_guard lock(m_mutex);
        if (m_entries.size() >= m_pruneAt) {
            std::erase_if(m_entries, [](auto& e) { return e.second.picture.expired(); });
            m_pruneAt = std::max<size_t>(64, m_entries.size() * 2);
        }
        m_entries[p->Handle()] = {p, std::move(spelling), data};
    }
    std::optional<PictureOrigin> Find(const PictureRef& p) {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(p->Handle());
        if (it == m_entries.end() || it->second.picture.lock() != p) return std::nullopt;
        return it->second;
    }

private:
    std::mutex m_mutex;
    std::map<uint64_t, PictureOrigin> m_entries;
    size_t m_pruneAt = 64;
};

PictureOrigins& Origins() {
    static PictureOrigins origins;
    return origins;
}

// ---------------------------------------------------------------- class facts

// What reading needs to know about a class before any instance is placed: its stored keys with
// their types, and whether it holds other controls. Both come from the class description.
struct StoredKey {
    std::string name;
    PropType type;
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

ClassFacts LearnClass(const ClassInfo& info) {
    ClassFacts facts;
    if (info.properties)
        for (const PropertyInfo& p : info.properties())
            if (p.persisted) facts.keys.push_back({p.name, p.type});
    facts.container = info.container;
    return facts;
}

// ---------------------------------------------------------------- the plan

using ApplyState = std::function<void(Element&)>;

struct PlannedEntry {
    std::string label;  // the name as written, for messages
    std::string name;
    int index = -1;
    const ClassInfo* classInfo = nullptr;  // a library control; else an intrinsic element
    ElementKind kind = ElementKind::Control;
    Rect rect;
    int tabIndex = 0;
    bool visible = true;
    PropertyMap properties;
    std::vector<PlannedEntry> children;
    ApplyState apply;
};

struct PlannedForm {
    std::string name;
    std::string caption;
    double left = 0, top = 0, width = 4800, height = 3600;
    int16_t borderStyle = Form::Sizable;
    FontRef font = MakeFont("MS Sans Serif", 8.25);
    PictureRef icon = Picture::Empty();
    OleColour backColour = kDefaultBack;
    std::vector<PlannedEntry> entries;
};

struct IntrinsicClass {
    const char* name;
    ElementKind kind;
};
constexpr IntrinsicClass kIntrinsic[] = {
    {"Line", ElementKind::Line},       {"Label", ElementKind::Label},
    {"Image", ElementKind::Image},     {"PictureBox", ElementKind::PictureBox},
    {"Shape", ElementKind::Shape},     {"PictureButton", ElementKind::PictureButton},
    {"ListBox", ElementKind::ListBox}, {"Timer", ElementKind::Timer},
};

std::optional<ElementKind> IntrinsicKind(const std::string& cls) {
    for (auto& i : kIntrinsic)
        if (cls == i.name) return i.kind;
    return std::nullopt;
}

const char* IntrinsicName(ElementKind kind) {
    for (auto& i : kIntrinsic)
        if (i.kind == kind) return i.name;
    return nullptr;
}

// The keys of one JSON object, taken one by one; whatever is left over is a key the format
// does not know, reported in the order of the file.
class Fields {
public:
    explicit Fields(const Json& obj) : m_obj(obj) {}
    const Json* Take(const std::string& key) {
        m_taken.insert(key);
        auto it = m_obj.find(key);
        return it == m_obj.end() ? nullptr : &*it;
    }
    std::optional<std::string> Leftover() const {
        for (auto& [k, v] : m_obj.items())
            if (!m_taken.count(k)) return k;
        return std::nullopt;
    }
    std::string Known() const {
        std::string s;
        for (auto& k : m_order) s += (s.empty() ? "" : ", ") + k;
        return s;
    }
    void Expect(std::initializer_list<const char*> keys) {
        for (auto k : keys) m_order.emplace_back(k);
    }

private:
    const Json& m_obj;
    std::set<std::string> m_taken;
    std::vector<std::string> m_order;
};

class Reader {
public:
    Reader(Runtime& runtime, std::string source, std::string baseDir)
        : m_runtime(runtime), m_source(std::move(source)), m_baseDir(std::move(baseDir)) {}

    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        throw FormFileError(m_source + ": " + (where.empty() ? "" : where + ": ") + what);
    }

    Json Parse(const std::string& text) const;
    PlannedForm PlanForm(const Json& doc);

    // Typed values; `where` names the control and key for messages.
    bool Boolean(const Json& v, const std::string& where) const;
    // An integer from lo to hi. `range` names the storage ("a 16-bit integer": a value outside is
    // an overflow) or, with overflow false, the values a setting allows ("a border style (0 to 5)", false).
    int64_t Integer(const Json& v, const std::string& where, int64_t lo, int64_t hi, const char* range,
                    bool overflow = true) const;
    double Coordinate(const Json& v, const std::string& where) const;
    double Size(const Json& v, const std::string& where) const;
    OleColour Colour(const Json& v, const std::string& where) const;
    std::string Text(const Json& v, const std::string& where) const;
    Font FontValue(const Json& v, const std::string& where) const;
    PictureRef PictureValue(const Json& v, const std::string& where);
    Value Property(const Json& v, PropType type, const std::string& where);

private:
    void PlanEntries(const Json& list, const std::string& where, std::vector<PlannedEntry>& out, int depth,
                     bool onForm);
    PlannedEntry PlanEntry(const Json& obj, const std::string& position, int depth, bool onForm);
    void PlanControl(PlannedEntry& e, Fields& f, const std::string& where, int depth);
    void PlanElement(PlannedEntry& e, Fields& f, const std::string& where);
    const ClassFacts& Facts(const ClassInfo& info);
    void ClaimName(const PlannedEntry& e, const std::string& cls, const std::string& where);

    Runtime& m_runtime;
    std::string m_source;
    std::string m_baseDir;  // empty: library resources, then the current folder
    FontRef m_formFont;
    int m_nextTabIndex = 0;
    std::map<std::string, ClassFacts> m_facts;
    std::map<std::string, PictureRef> m_pictures;  // by resolved path or data: URL, loaded once
    std::set<std::pair<std::string, int>> m_names;
    std::map<std::string, std::pair<bool, std::string>> m_arrays;  // name -> (is an array, class)
};

Json Reader::Parse(const std::string& text) const {
    // nlohmann keeps the last of two equal keys; a form file refuses them, since one of the two
    // values would be lost without a word.
    std::vector<std::set<std::string>> open;
    std::optional<std::string> duplicate;
    auto watch = [&](int, Json::parse_event_t event, Json& parsed) {
        switch (event) {
            case Json::parse_event_t::object_start: open.emplace_back(); break;
            case Json::parse_event_t::object_end:
                if (!open.empty()) open.pop_back();
                break;
            case Json::parse_event_t::key:
                if (!open.empty() && !open.back().insert(parsed.get<std::string>()).second && !duplicate)
                    duplicate = parsed.get<std::string>();
                break;
            default: break;
        }
        return true;
    };
    Json doc;
    try {
        doc = Json::parse(text, watch);
    } catch (const Json::parse_error& e) {
        size_t line = 1, column = 1;
        size_t end = std::min<size_t>(e.byte > 0 ? e.byte - 1 : 0, text.size());
        for (size_t i = 0; i < end; ++i) {
            if (text[i] == '\n')
                ++line, column = 1;
            else
                ++column;
        }
        std::string detail = e.what();
        auto col = detail.find("column ");
        auto colon = col == std::string::npos ? std::string::npos : detail.find(": ", col);
        if (colon != std::string::npos)
            detail = detail.substr(colon + 2);
        else if (auto c = detail.find("] "); c != std::string::npos)
            detail = detail.substr(c + 2);
        throw FormFileError(m_source + ": line " + std::to_string(line) + ", column " + std::to_string(column) +
                            ": malformed JSON (" + detail + ")");
    } catch (const Json::exception& e) {
        // A number too large for any type ("1e999") is reported without a position.
        std::string detail = e.what();
        if (auto c = detail.find("] "); c != std::string::npos) detail = detail.substr(c + 2);
        Fail("", "malformed JSON (" + detail + ")");
    }
    if (duplicate) Fail("", "key " + Quote(*duplicate) + " appears twice in one object");
    return doc;
}

// ---------------------------------------------------------------- typed values

bool Reader::Boolean(const Json& v, const std::string& where) const {
    if (v.is_boolean()) return v.get<bool>();
    // Classic Booleans are numbers: True is -1, and any non-zero value counts as True.
    if (v.is_number_integer()) return Integer(v, where, -32768, 32767, "a 16-bit Boolean") != 0;
    Fail(where, "expected true or false, found " + Describe(v));
}

int64_t Reader::Integer(const Json& v, const std::string& where, int64_t lo, int64_t hi, const char* range,
                        bool overflow) const {
    auto outside = [&]() {
        Fail(where, overflow ? v.dump() + " does not fit " + range + " (overflow)" : v.dump() + " is not " + range);
    };
    if (v.is_number_unsigned()) {
        uint64_t u = v.get<uint64_t>();
        if (u > static_cast<uint64_t>(hi)) outside();
        return static_cast<int64_t>(u);
    }
    if (v.is_number_integer()) {
        int64_t i = v.get<int64_t>();
        if (i < lo || i > hi) outside();
        return i;
    }
    if (v.is_number_float()) {
        double d = v.get<double>();
        if (!std::isfinite(d) || std::nearbyint(d) != d) Fail(where, "expected an integer, found " + v.dump());
        if (d < static_cast<double>(lo) || d > static_cast<double>(hi)) outside();
        return static_cast<int64_t>(d);
    }
    Fail(where, "expected an integer, found " + Describe(v));
}

double Reader::Coordinate(const Json& v, const std::string& where) const {
    if (!v.is_number()) Fail(where, "expected a number of twips, found " + Describe(v));
    double d = v.get<double>();
    if (!std::isfinite(d) || std::fabs(d) > 1e9) Fail(where, v.dump() + " is out of range (overflow)");
    return d;
}

double Reader::Size(const Json& v, const std::string& where) const {
    double d = Coordinate(v, where);
    if (d < 0) Fail(where, "a size must not be negative, found " + v.dump());
    return d;
}

OleColour Reader::Colour(const Json& v, const std::string& where) const {
    if (v.is_string()) {
        std::string s = v.get<std::string>();
        if (s.size() > 2 && s.size() <= 10 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            uint32_t c = 0;
            auto r = std::from_chars(s.data() + 2, s.data() + s.size(), c, 16);
            if (r.ec == std::errc() && r.ptr == s.data() + s.size()) return c;
        }
        Fail(where, "expected a colour (an integer or \"0x00BBGGRR\"), found " + Describe(v));
    }
    if (!v.is_number()) Fail(where, "expected a colour (an integer or \"0x00BBGGRR\"), found " + Describe(v));
    // A negative 32-bit value names the same bits, as the property store's colours do.
    int64_t i =
        Integer(v, where, std::numeric_limits<int32_t>::min(), std::numeric_limits<uint32_t>::max(), "a 32-bit colour");
    return static_cast<OleColour>(static_cast<uint32_t>(i));
}

std::string Reader::Text(const Json& v, const std::string& where) const {
    if (!v.is_string()) Fail(where, "expected a string, found " + Describe(v));
    return v.get<std::string>();
}

Font Reader::FontValue(const Json& v, const std::string& where) const {
    if (!v.is_object())
        Fail(where, "expected a font object such as {\"Name\": \"Tahoma\", \"Size\": 8.25}, found " + Describe(v));
    Font font;  // the classic defaults: MS Sans Serif 8.25, regular
    Fields f(v);
    f.Expect({"Name", "Size", "Bold", "Italic", "Underline", "Strikethrough", "Weight", "Charset"});
    auto member = [&](const char* k) { return where + ", font member " + Quote(k); };
    if (auto x = f.Take("Name")) {
        font.name = Text(*x, member("Name"));
        if (font.name.empty()) Fail(member("Name"), "a font needs a name");
    }
    if (auto x = f.Take("Size")) {
        if (!x->is_number()) Fail(member("Size"), "expected a number of points, found " + Describe(*x));
        font.size = x->get<double>();
        if (!std::isfinite(font.size) || font.size <= 0 || font.size > 2048)
            Fail(member("Size"), "a font size must lie above 0 and up to 2048 points, found " + x->dump());
    }
    if (auto x = f.Take("Bold")) font.bold = Boolean(*x, member("Bold"));
    if (auto x = f.Take("Italic")) font.italic = Boolean(*x, member("Italic"));
    if (auto x = f.Take("Underline")) font.underline = Boolean(*x, member("Underline"));
    if (auto x = f.Take("Strikethrough")) font.strikethrough = Boolean(*x, member("Strikethrough"));
    // Without a weight, a bold font weighs 700 and a regular one 400, as setting Bold does.
    font.weight = font.bold ? 700 : 400;
    if (auto x = f.Take("Weight"))
        font.weight = static_cast<int16_t>(Integer(*x, member("Weight"), 0, 1000, "a weight (0 to 1000)", false));
    if (auto x = f.Take("Charset"))
        font.charset = static_cast<int16_t>(Integer(*x, member("Charset"), 0, 255, "a charset (0 to 255)", false));
    if (auto k = f.Leftover()) Fail(where, "unknown font member " + Quote(*k) + " (known: " + f.Known() + ")");
    return font;
}

PictureRef Reader::PictureValue(const Json& v, const std::string& where) {
    if (v.is_null()) return Picture::Empty();
    if (!v.is_string()) Fail(where, "expected a picture path, a data: URL or null, found " + Describe(v));
    std::string text = v.get<std::string>();
    if (text.empty()) return Picture::Empty();
    if (auto it = m_pictures.find(text); it != m_pictures.end()) return it->second;

    PictureRef picture;
    if (text.rfind("data:", 0) == 0) {
        auto comma = text.find(',');
        std::string header = comma == std::string::npos ? "" : text.substr(5, comma - 5);
        bool base64 = header.size() >= 7 && header.compare(header.size() - 7, 7, ";base64") == 0;
        if (comma == std::string::npos || !base64)
            Fail(where, "a data: URL must be base64, as \"data:image/png;base64,...\"");
        auto bytes = Base64Decode(std::string_view(text).substr(comma + 1));
        if (!bytes) Fail(where, "the data: URL is not valid base64");
        try {
            picture = DecodePicture(*bytes, "");
        } catch (const HostError& e) {
            Fail(where, "the embedded picture does not load (" + e.description + ")");
        }
        Origins().Remember(picture, text, true);
    } else {
        fs::path given(text);
        try {
            if (given.is_absolute()) {
                picture = m_runtime.LoadPicture(given.lexically_normal().string());
            } else if (m_baseDir.empty()) {
                // Text without a folder (a library form): the library's own resources first.
                std::string_view res = resources::Get(given.lexically_normal().generic_string());
                if (!res.empty())
                    picture = DecodePicture(std::string(res), "");
                else
                    picture = m_runtime.LoadPicture(fs::absolute(given).lexically_normal().string());
            } else {
                picture = m_runtime.LoadPicture((fs::path(m_baseDir) / given).lexically_normal().string());
            }
        } catch (const HostError& e) {
            Fail(where, "picture " + Quote(text) + " does not load (" + e.description + ")");
        } catch (const fs::filesystem_error& e) {
            Fail(where, "picture " + Quote(text) + " does not load (" + e.code().message() + ")");
        }
        Origins().Remember(picture, text, false);
    }
    m_pictures[text] = picture;
    return picture;
}

Value Reader::Property(const Json& v, PropType type, const std::string& where) {
    switch (type) {
        case PropType::Boolean: return Value{static_cast<int64_t>(Boolean(v, where) ? True : False)};
        case PropType::Int16:
            if (!v.is_number()) Fail(where, "expected an integer, found " + Describe(v));
            return Value{Integer(v, where, -32768, 32767, "a 16-bit integer")};
        case PropType::Int32:
            if (!v.is_number()) Fail(where, "expected an integer, found " + Describe(v));
            return Value{Integer(v, where, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                                 "a 32-bit integer")};
        case PropType::Colour: return Value{static_cast<int64_t>(Colour(v, where))};
        case PropType::Single: {
            if (!v.is_number()) Fail(where, "expected a number, found " + Describe(v));
            double d = v.get<double>();
            if (!std::isfinite(d) || std::fabs(d) > 3.402823466e38)
                Fail(where, v.dump() + " does not fit a Single (overflow)");
            return Value{static_cast<double>(static_cast<float>(d))};
        }
        case PropType::String: return Value{Text(v, where)};
        case PropType::Font: return Value{std::make_shared<Font>(FontValue(v, where))};
        case PropType::Picture: return Value{PictureValue(v, where)};
    }
    Fail(where, "has a type the form file cannot hold");
}

// ---------------------------------------------------------------- planning

const ClassFacts& Reader::Facts(const ClassInfo& info) {
    auto it = m_facts.find(info.name);
    if (it != m_facts.end()) return it->second;
    return m_facts.emplace(info.name, LearnClass(info)).first->second;
}

void Reader::ClaimName(const PlannedEntry& e, const std::string& cls, const std::string& where) {
    if (!m_names.insert({e.name, e.index}).second) Fail(where, "the name is used twice in this form");
    auto [it, fresh] = m_arrays.try_emplace(e.name, e.index >= 0, cls);
    if (fresh) return;
    if (it->second.first != (e.index >= 0))
        Fail(where, Quote(e.name) + " is used both with and without an array index");
    if (it->second.second != cls)
        Fail(where, "the members of array " + Quote(e.name) + " must share one class (" + it->second.second + ")");
}

PlannedForm Reader::PlanForm(const Json& doc) {
    if (!doc.is_object()) Fail("", "a form file holds one JSON object, found " + Describe(doc));
    PlannedForm form;
    Fields f(doc);
    f.Expect(
        {"name", "caption", "left", "top", "width", "height", "borderStyle", "font", "icon", "backColour", "controls"});
    auto key = [](const char* k) { return std::string("form, key ") + Quote(k); };
    const Json* name = f.Take("name");
    if (!name) Fail("form", "missing key \"name\"");
    form.name = Text(*name, key("name"));
    int index = -1;
    std::string plain;
    if (!SplitName(form.name, plain, index) || index >= 0)
        Fail(key("name"),
             Quote(form.name) + " is not a valid form name (letters, digits and _, starting with a letter)");
    if (auto x = f.Take("caption")) form.caption = Text(*x, key("caption"));
    if (auto x = f.Take("left")) form.left = Coordinate(*x, key("left"));
    if (auto x = f.Take("top")) form.top = Coordinate(*x, key("top"));
    if (auto x = f.Take("width")) form.width = Size(*x, key("width"));
    if (auto x = f.Take("height")) form.height = Size(*x, key("height"));
    if (auto x = f.Take("borderStyle"))
        form.borderStyle =
            static_cast<int16_t>(Integer(*x, key("borderStyle"), 0, 5, "a border style (0 to 5)", false));
    if (auto x = f.Take("font")) form.font = std::make_shared<Font>(FontValue(*x, key("font")));
    if (auto x = f.Take("icon")) form.icon = PictureValue(*x, key("icon"));
    if (auto x = f.Take("backColour")) form.backColour = Colour(*x, key("backColour"));
    m_formFont = form.font;
    const Json* controls = f.Take("controls");
    if (auto k = f.Leftover()) Fail("form", "unknown key " + Quote(*k) + " (known: " + f.Known() + ")");
    if (controls) PlanEntries(*controls, "form, key \"controls\"", form.entries, 0, true);
    return form;
}

void Reader::PlanEntries(const Json& list, const std::string& where, std::vector<PlannedEntry>& out, int depth,
                         bool onForm) {
    if (!list.is_array()) Fail(where, "expected an array of controls, found " + Describe(list));
    if (depth > kMaxNesting) Fail(where, "controls are nested too deeply");
    size_t n = 0;
    for (const Json& item : list) {
        ++n;
        out.push_back(PlanEntry(item, where + ", entry " + std::to_string(n), depth, onForm));
    }
}

PlannedEntry Reader::PlanEntry(const Json& obj, const std::string& position, int depth, bool onForm) {
    if (!obj.is_object()) Fail(position, "expected a control object, found " + Describe(obj));
    PlannedEntry e;
    Fields f(obj);
    const Json* name = f.Take("name");
    if (!name) Fail(position, "missing key \"name\"");
    if (!name->is_string()) Fail(position + ", key \"name\"", "expected a string, found " + Describe(*name));
    e.label = name->get<std::string>();
    std::string where = "control " + Quote(e.label);
    if (!SplitName(e.label, e.name, e.index))
        Fail(where,
             "not a valid name (letters, digits and _, starting with a letter, optionally an index as \"tplDes(3)\")");
    const Json* cls = f.Take("class");
    if (!cls) Fail(where, "missing key \"class\"");
    if (!cls->is_string()) Fail(where + ", key \"class\"", "expected a string, found " + Describe(*cls));
    std::string className = cls->get<std::string>();

    if (auto kind = IntrinsicKind(className)) {
        if (!onForm)
            Fail(where,
                 Quote(className) + " elements stand on the form itself; a container holds library controls only");
        e.kind = *kind;
        ClaimName(e, className, where);
        PlanElement(e, f, where);
        return e;
    }
    e.classInfo = Library::Instance().FindClass(className);
    if (!e.classInfo) Fail(where, "unknown class " + Quote(className));
    ClaimName(e, className, where);
    PlanControl(e, f, where, depth);
    return e;
}

void Reader::PlanControl(PlannedEntry& e, Fields& f, const std::string& where, int depth) {
    f.Expect({"name", "class", "left", "top", "width", "height", "tabIndex", "visible", "properties", "controls"});
    auto key = [&](const char* k) { return where + ", key " + Quote(k); };
    e.rect = {0, 0, e.classInfo->designWidth, e.classInfo->designHeight};
    if (auto x = f.Take("left")) e.rect.left = Coordinate(*x, key("left"));
    if (auto x = f.Take("top")) e.rect.top = Coordinate(*x, key("top"));
    if (auto x = f.Take("width")) e.rect.width = Size(*x, key("width"));
    if (auto x = f.Take("height")) e.rect.height = Size(*x, key("height"));
    e.tabIndex = m_nextTabIndex++;
    if (auto x = f.Take("tabIndex"))
        e.tabIndex = static_cast<int>(Integer(*x, key("tabIndex"), 0, 32767, "a tab index (0 to 32767)", false));
    if (auto x = f.Take("visible")) e.visible = Boolean(*x, key("visible"));
    const Json* props = f.Take("properties");
    const Json* children = f.Take("controls");
    if (auto k = f.Leftover()) Fail(where, "unknown key " + Quote(*k) + " (known: " + f.Known() + ")");

    const ClassFacts& facts = Facts(*e.classInfo);
    if (props) {
        if (!props->is_object()) Fail(key("properties"), "expected an object, found " + Describe(*props));
        for (auto& [k, v] : props->items()) {
            std::string pw = where + ", property " + Quote(k);
            const StoredKey* sk = facts.Find(k);
            if (!sk) {
                std::string hint;
                for (auto& known : facts.keys)
                    if (known.name.size() == k.size() &&
                        std::equal(k.begin(), k.end(), known.name.begin(),
                                   [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
                        hint = " (did you mean " + Quote(known.name) + "?)";
                Fail(pw, "unknown property of " + e.classInfo->name + hint);
            }
            e.properties.Set(k, Property(v, sk->type, pw));
        }
    }
    if (children) {
        if (!facts.container) Fail(key("controls"), e.classInfo->name + " cannot hold controls");
        PlanEntries(*children, key("controls"), e.children, depth + 1, false);
    }
}

void Reader::PlanElement(PlannedEntry& e, Fields& f, const std::string& where) {
    auto key = [&](const char* k) { return where + ", key " + Quote(k); };
    f.Expect({"name", "class"});
    const bool boxed = e.kind != ElementKind::Line && e.kind != ElementKind::Timer;
    if (boxed) {
        f.Expect({"left", "top", "width", "height"});
        if (auto x = f.Take("left")) e.rect.left = Coordinate(*x, key("left"));
        if (auto x = f.Take("top")) e.rect.top = Coordinate(*x, key("top"));
        if (auto x = f.Take("width")) e.rect.width = Size(*x, key("width"));
        if (auto x = f.Take("height")) e.rect.height = Size(*x, key("height"));
    }
    f.Expect({"visible"});
    if (auto x = f.Take("visible")) e.visible = Boolean(*x, key("visible"));
    const Rect rect = e.rect;

    switch (e.kind) {
        case ElementKind::Line: {
            f.Expect({"x1", "y1", "x2", "y2", "colour", "borderWidth"});
            double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            OleColour colour = Line("").Colour();
            int16_t width = 1;
            if (auto x = f.Take("x1")) x1 = Coordinate(*x, key("x1"));
            if (auto x = f.Take("y1")) y1 = Coordinate(*x, key("y1"));
            if (auto x = f.Take("x2")) x2 = Coordinate(*x, key("x2"));
            if (auto x = f.Take("y2")) y2 = Coordinate(*x, key("y2"));
            if (auto x = f.Take("colour")) colour = Colour(*x, key("colour"));
            if (auto x = f.Take("borderWidth"))
                width = static_cast<int16_t>(
                    Integer(*x, key("borderWidth"), 1, 32767, "a width in pixels (1 to 32767)", false));
            e.apply = [=](Element& el) {
                auto& l = static_cast<Line&>(el);
                l.SetEnds(x1, y1, x2, y2);
                l.SetColour(colour);
                l.SetBorderWidth(width);
            };
            break;
        }
        case ElementKind::Label: {
            f.Expect({"caption", "alignment", "foreColour", "backColour", "transparent", "autoSize", "wordWrap",
                      "enabled", "font"});
            Label d("");
            std::string caption;
            int16_t alignment = d.Alignment();
            OleColour fore = d.ForeColour(), back = d.BackColour();
            bool transparent = d.Transparent(), autoSize = d.AutoSize(), wordWrap = d.WordWrap(), enabled = d.Enabled();
            Font font = *m_formFont;  // a label without a font of its own takes the form's
            if (auto x = f.Take("caption")) caption = Text(*x, key("caption"));
            if (auto x = f.Take("alignment"))
                alignment = static_cast<int16_t>(
                    Integer(*x, key("alignment"), 0, 2, "an alignment (0 left, 1 right, 2 centre)", false));
            if (auto x = f.Take("foreColour")) fore = Colour(*x, key("foreColour"));
            if (auto x = f.Take("backColour")) back = Colour(*x, key("backColour"));
            if (auto x = f.Take("transparent")) transparent = Boolean(*x, key("transparent"));
            if (auto x = f.Take("autoSize")) autoSize = Boolean(*x, key("autoSize"));
            if (auto x = f.Take("wordWrap")) wordWrap = Boolean(*x, key("wordWrap"));
            if (auto x = f.Take("enabled")) enabled = Boolean(*x, key("enabled"));
            if (auto x = f.Take("font")) font = FontValue(*x, key("font"));
            e.apply = [=](Element& el) {
                auto& l = static_cast<Label&>(el);
                l.Move(rect.left, rect.top, rect.width, rect.height);
                l.SetFont(font);
                l.SetWordWrap(wordWrap);
                l.SetCaption(caption);
                l.SetAlignment(alignment);
                l.SetForeColour(fore);
                l.SetBackColour(back);
                l.SetTransparent(transparent);
                l.SetEnabled(enabled);
                l.SetAutoSize(autoSize);  // last: it fits the label to everything set above
            };
            break;
        }
        case ElementKind::Image: {
            f.Expect({"picture", "stretch"});
            PictureRef picture = Picture::Empty();
            bool stretch = false;
            if (auto x = f.Take("picture")) picture = PictureValue(*x, key("picture"));
            if (auto x = f.Take("stretch")) stretch = Boolean(*x, key("stretch"));
            e.apply = [=](Element& el) {
                auto& i = static_cast<Image&>(el);
                i.Move(rect.left, rect.top, rect.width, rect.height);
                i.SetStretch(stretch);
                // An image that does not stretch takes its picture's size.
                if (!IsNoPicture(picture)) i.SetPicture(picture);
            };
            break;
        }
        case ElementKind::PictureBox: {
            f.Expect({"picture", "backColour", "border", "autoRedraw"});
            PictureBox d("");
            PictureRef picture = Picture::Empty();
            OleColour back = d.BackColour();
            bool border = d.Border(), autoRedraw = d.AutoRedraw();
            if (auto x = f.Take("picture")) picture = PictureValue(*x, key("picture"));
            if (auto x = f.Take("backColour")) back = Colour(*x, key("backColour"));
            if (auto x = f.Take("border")) border = Boolean(*x, key("border"));
            if (auto x = f.Take("autoRedraw")) autoRedraw = Boolean(*x, key("autoRedraw"));
            e.apply = [=](Element& el) {
                auto& p = static_cast<PictureBox&>(el);
                p.Move(rect.left, rect.top, rect.width, rect.height);
                p.SetBackColour(back);
                p.SetBorder(border);
                p.SetAutoRedraw(autoRedraw);
                p.SetPicture(picture);
            };
            break;
        }
        case ElementKind::Shape: {
            f.Expect({"filled", "fillColour", "outline", "borderColour", "drawMode"});
            Shape d("");
            bool filled = d.Filled(), outline = d.Outline();
            OleColour fill = d.FillColour(), border = d.BorderColour();
            int16_t mode = d.GetDrawMode();
            if (auto x = f.Take("filled")) filled = Boolean(*x, key("filled"));
            if (auto x = f.Take("fillColour")) fill = Colour(*x, key("fillColour"));
            if (auto x = f.Take("outline")) outline = Boolean(*x, key("outline"));
            if (auto x = f.Take("borderColour")) border = Colour(*x, key("borderColour"));
            if (auto x = f.Take("drawMode"))
                mode = static_cast<int16_t>(Integer(*x, key("drawMode"), 1, 16, "a draw mode (1 to 16)", false));
            e.apply = [=](Element& el) {
                auto& s = static_cast<Shape&>(el);
                s.Move(rect.left, rect.top, rect.width, rect.height);
                s.SetFilled(filled);
                s.SetFillColour(fill);
                s.SetOutline(outline);
                s.SetBorderColour(border);
                s.SetDrawMode(mode);
            };
            break;
        }
        case ElementKind::PictureButton: {
            f.Expect({"enabled", "picture", "disabledPicture"});
            bool enabled = true;
            PictureRef picture = Picture::Empty(), disabled = Picture::Empty();
            if (auto x = f.Take("enabled")) enabled = Boolean(*x, key("enabled"));
            if (auto x = f.Take("picture")) picture = PictureValue(*x, key("picture"));
            if (auto x = f.Take("disabledPicture")) disabled = PictureValue(*x, key("disabledPicture"));
            e.apply = [=](Element& el) {
                auto& b = static_cast<PictureButton&>(el);
                b.Move(rect.left, rect.top, rect.width, rect.height);
                b.SetEnabled(enabled);
                b.SetPicture(picture);
                b.SetDisabledPicture(disabled);
            };
            break;
        }
        case ElementKind::ListBox: {
            f.Expect({"items"});
            std::vector<ListBox::Item> items;
            if (auto x = f.Take("items")) {
                if (!x->is_array()) Fail(key("items"), "expected an array of items, found " + Describe(*x));
                size_t n = 0;
                for (const Json& it : *x) {
                    std::string iw = key("items") + ", item " + std::to_string(++n);
                    ListBox::Item item;
                    if (it.is_string()) {
                        item.text = it.get<std::string>();
                    } else if (it.is_object()) {
                        Fields fi(it);
                        fi.Expect({"text", "data", "checked"});
                        if (auto v = fi.Take("text")) item.text = Text(*v, iw + ", key \"text\"");
                        if (auto v = fi.Take("data"))
                            item.data = static_cast<int32_t>(
                                Integer(*v, iw + ", key \"data\"", std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max(), "a 32-bit integer"));
                        if (auto v = fi.Take("checked")) item.checked = Boolean(*v, iw + ", key \"checked\"");
                        if (auto k = fi.Leftover())
                            Fail(iw, "unknown key " + Quote(*k) + " (known: " + fi.Known() + ")");
                    } else {
                        Fail(iw, "expected a string or {\"text\", \"data\", \"checked\"}, found " + Describe(it));
                    }
                    items.push_back(std::move(item));
                }
            }
            e.apply = [=](Element& el) {
                auto& l = static_cast<ListBox&>(el);
                l.Move(rect.left, rect.top, rect.width, rect.height);
                for (size_t i = 0; i < items.size(); ++i) {
                    l.AddItem(items[i].text);
                    l.SetItemData(static_cast<int>(i), items[i].data);
                    l.SetSelected(static_cast<int>(i), items[i].checked);
                }
            };
            break;
        }
        case ElementKind::Timer: {
            f.Expect({"interval", "enabled"});
            int32_t interval = 0;
            bool enabled = true;
            if (auto x = f.Take("interval"))
                interval =
                    static_cast<int32_t>(Integer(*x, key("interval"), 0, 65535, "an interval (0 to 65535 ms)", false));
            if (auto x = f.Take("enabled")) enabled = Boolean(*x, key("enabled"));
            e.apply = [=](Element& el) {
                auto& t = static_cast<Timer&>(el);
                t.SetEnabled(enabled);
                t.SetInterval(interval);
            };
            break;
        }
        default: Fail(where, "this kind of element cannot stand in a form file");
    }
    if (auto k = f.Leftover())
        Fail(where, "unknown key " + Quote(*k) + " for a " + IntrinsicName(e.kind) + " (known: " + f.Known() + ")");
}

// ---------------------------------------------------------------- creation

void PlaceEntries(Runtime& runtime, Surface& container, const std::vector<PlannedEntry>& entries,
                  const std::string& source) {
    for (const PlannedEntry& e : entries) {
        try {
            if (e.classInfo) {
                ControlElement& ce =
                    runtime.PlaceControl(container, e.classInfo->name, e.name, e.index, e.rect, &e.properties);
                Surface& s = ce.GetSurface();
                s.SetTabIndex(e.tabIndex);
                s.SetVisible(e.visible);
                PlaceEntries(runtime, s, e.children, source);
            } else {
                Element& el = runtime.PlaceElement(container, e.kind, e.name, e.index);
                e.apply(el);
                el.SetVisible(e.visible);
            }
        } catch (const FormFileError&) {
            throw;
        } catch (const HostError& err) {
            throw FormFileError(source + ": control " + Quote(e.label) + ": " + err.description + " (error " +
                                std::to_string(err.number) + ")");
        } catch (const std::exception& err) {
            throw FormFileError(source + ": control " + Quote(e.label) + ": " + err.what());
        }
    }
}

Form& Build(Runtime& runtime, const PlannedForm& plan, const std::string& source) {
    Form& form = runtime.NewForm(plan.name, plan.width, plan.height);
    try {
        form.Move(plan.left, plan.top, plan.width, plan.height);
        form.SetCaption(plan.caption);
        form.SetBorderStyle(plan.borderStyle);
        form.SetFont(plan.font);
        form.SetIcon(plan.icon);
        form.SetBackColour(plan.backColour);
        PlaceEntries(runtime, form, plan.entries, source);
    } catch (const FormFileError&) {
        runtime.UnloadForm(form);
        throw;
    } catch (const HostError& e) {
        runtime.UnloadForm(form);
        throw FormFileError(source + ": " + e.description + " (error " + std::to_string(e.number) + ")");
    } catch (const std::exception& e) {
        runtime.UnloadForm(form);
        throw FormFileError(source + ": " + e.what());
    }
    return form;
}

// ---------------------------------------------------------------- saving

class Writer {
public:
    Writer(fs::path folder, std::string target) : m_folder(std::move(folder)), m_target(std::move(target)) {}

    Json FormJson(Form& form);

private:
    [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
        throw FormFileError("cannot save " + m_target + ": " + where + ": " + what);
    }
    Json PictureJson(const PictureRef& p, const std::string& where) const;
    Json FontJson(const Font& f) const;
    Json ValueJson(const Value& v, const PropType* type, const std::string& where) const;
    Json ControlJson(ControlElement& ce);
    Json ElementJson(Element& e, const Font& formFont);
    void Children(Surface& s, Json& list, const Font* formFont);

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
    auto origin = Origins().Find(p);
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

Json Writer::ControlJson(ControlElement& ce) {
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
    j["visible"] = s.Visible();
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
    const ClassInfo* info = Library::Instance().FindClass(c.ClassName());
    if (info && info->container) {
        Json children = Json::array();
        Children(s, children, nullptr);
        if (!children.empty()) j["controls"] = std::move(children);
    }
    return j;
}

Json Writer::ElementJson(Element& e, const Font& formFont) {
    std::string where = "control " + Quote(e.FullName());
    auto key = [&](const char* k) { return where + ", key " + Quote(k); };
    Json j;
    j["name"] = e.FullName();
    j["class"] = IntrinsicName(e.Kind());
    if (auto* b = dynamic_cast<BoxElement*>(&e)) {
        j["left"] = Number(b->Left());
        j["top"] = Number(b->Top());
        j["width"] = Number(b->Width());
        j["height"] = Number(b->Height());
    }
    if (!e.Visible()) j["visible"] = false;
    switch (e.Kind()) {
        case ElementKind::Line: {
            auto& l = static_cast<Line&>(e);
            j["x1"] = Number(l.X1());
            j["y1"] = Number(l.Y1());
            j["x2"] = Number(l.X2());
            j["y2"] = Number(l.Y2());
            if (l.Colour() != Line("").Colour()) j["colour"] = HexColour(l.Colour());
            if (l.BorderWidth() != 1) j["borderWidth"] = l.BorderWidth();
            break;
        }
        case ElementKind::Label: {
            auto& l = static_cast<Label&>(e);
            Label d("");
            j["caption"] = l.Caption();
            if (l.Alignment() != d.Alignment()) j["alignment"] = l.Alignment();
            if (l.ForeColour() != d.ForeColour()) j["foreColour"] = HexColour(l.ForeColour());
            if (l.BackColour() != d.BackColour()) j["backColour"] = HexColour(l.BackColour());
            if (l.Transparent()) j["transparent"] = true;
            if (l.AutoSize()) j["autoSize"] = true;
            if (l.WordWrap()) j["wordWrap"] = true;
            if (!l.Enabled()) j["enabled"] = false;
            if (!(l.GetFont() == formFont)) j["font"] = FontJson(l.GetFont());
            break;
        }
        case ElementKind::Image: {
            auto& i = static_cast<Image&>(e);
            if (!IsNoPicture(i.GetPicture())) j["picture"] = PictureJson(i.GetPicture(), key("picture"));
            if (i.Stretch()) j["stretch"] = true;
            break;
        }
        case ElementKind::PictureBox: {
            auto& p = static_cast<PictureBox&>(e);
            if (!IsNoPicture(p.GetPicture())) j["picture"] = PictureJson(p.GetPicture(), key("picture"));
            if (p.BackColour() != PictureBox("").BackColour()) j["backColour"] = HexColour(p.BackColour());
            if (p.Border()) j["border"] = true;
            if (p.AutoRedraw()) j["autoRedraw"] = true;
            break;
        }
        case ElementKind::Shape: {
            auto& s = static_cast<Shape&>(e);
            Shape d("");
            if (s.Filled() != d.Filled()) j["filled"] = s.Filled();
            if (s.FillColour() != d.FillColour()) j["fillColour"] = HexColour(s.FillColour());
            if (s.Outline() != d.Outline()) j["outline"] = s.Outline();
            if (s.BorderColour() != d.BorderColour()) j["borderColour"] = HexColour(s.BorderColour());
            if (s.GetDrawMode() != d.GetDrawMode()) j["drawMode"] = s.GetDrawMode();
            break;
        }
        case ElementKind::PictureButton: {
            auto& b = static_cast<PictureButton&>(e);
            if (!b.Enabled()) j["enabled"] = false;
            if (!IsNoPicture(b.GetPicture())) j["picture"] = PictureJson(b.GetPicture(), key("picture"));
            if (!IsNoPicture(b.DisabledPicture()))
                j["disabledPicture"] = PictureJson(b.DisabledPicture(), key("disabledPicture"));
            break;
        }
        case ElementKind::ListBox: {
            auto& l = static_cast<ListBox&>(e);
            if (l.ListCount() == 0) break;
            Json items = Json::array();
            for (const auto& item : l.Items()) {
                if (item.data == 0 && !item.checked) {
                    items.push_back(item.text);
                    continue;
                }
                Json o;
                o["text"] = item.text;
                if (item.data != 0) o["data"] = item.data;
                if (item.checked) o["checked"] = true;
                items.push_back(std::move(o));
            }
            j["items"] = std::move(items);
            break;
        }
        case ElementKind::Timer: {
            auto& t = static_cast<Timer&>(e);
            j["interval"] = t.Interval();
            if (!t.Enabled()) j["enabled"] = false;
            break;
        }
        default: break;
    }
    return j;
}

// Saves what the form's author placed: on the form, its controls and intrinsic elements; in a
// container control, the controls placed in it (the elements there are the control's own
// design, which the control rebuilds itself). Menu items have no form-file form.
void Writer::Children(Surface& s, Json& list, const Font* formFont) {
    for (auto& e : s.Elements()) {
        if (auto* ce = dynamic_cast<ControlElement*>(e.get())) {
            if (!ce->IsDesignChild()) list.push_back(ControlJson(*ce));
            continue;
        }
        if (formFont && IntrinsicName(e->Kind())) list.push_back(ElementJson(*e, *formFont));
    }
}

Json Writer::FormJson(Form& form) {
    Json j;
    j["name"] = form.Name();
    j["caption"] = form.Caption();
    j["left"] = Number(form.Left());
    j["top"] = Number(form.Top());
    j["width"] = Number(form.Width());
    j["height"] = Number(form.Height());
    j["borderStyle"] = form.GetBorderStyle();
    Font font = form.GetFont() ? *form.GetFont() : Font{};
    j["font"] = FontJson(font);
    if (!IsNoPicture(form.Icon())) j["icon"] = PictureJson(form.Icon(), "form, key \"icon\"");
    if (form.BackColour() != kDefaultBack) j["backColour"] = HexColour(form.BackColour());
    Json controls = Json::array();
    Children(form, controls, &font);
    j["controls"] = std::move(controls);
    return j;
}

// The file's layout: a value that fits on its line is written there in one piece (a font, a
// list item, a short control), anything longer one member per line, so that files stay easy to
// read and to compare. The form itself and the lists of controls always open up.
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

std::string ErrnoText(int err) { return std::strerror(err); }

// Writes the whole text to a temporary file beside the target, flushes it to disk and renames
// it over the target; on any failure the temporary file is removed and the target is untouched.
void WriteAtomically(const std::string& path, const std::string& text) {
    fs::path target(path);
    std::error_code ec;
    // Saving through a symbolic link replaces the file it points to, not the link.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    if (target.filename().empty()) throw FormFileError("cannot save " + path + ": not a file name");
    std::string tmpl = target.string() + ".tmp-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) throw FormFileError("cannot save " + path + ": " + ErrnoText(errno));
    std::string tmp(name.data());
    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        throw FormFileError("cannot save " + path + ": " + what + ErrnoText(err));
    };
    // The new file keeps the permissions of the one it replaces; a new one gets the usual ones.
    struct stat st {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) fail("", EISDIR);
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) fail("", errno);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("", n < 0 ? errno : EIO);
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) fail("", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        throw FormFileError("cannot save " + path + ": " + ErrnoText(err));
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        throw FormFileError("cannot save " + path + ": " + ErrnoText(err));
    }
    // Make the rename itself durable; a folder that cannot be synced does not undo the save.
    fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace

Form& LoadFormText(Runtime& runtime, const std::string& text, const std::string& baseDir,
                   const std::string& sourceName) {
    Reader reader(runtime, sourceName, baseDir);
    if (text.size() > kMaxFileBytes) reader.Fail("", "the file is too large for a form file");
    Json doc = reader.Parse(text);
    PlannedForm plan = reader.PlanForm(doc);
    return Build(runtime, plan, sourceName);
}

Form& LoadFormFile(Runtime& runtime, const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw FormFileError(path + ": is a folder, not a form file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FormFileError(path + ": cannot read the file (" + ErrnoText(errno) + ")");
    std::string text;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        text.append(buf, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) throw FormFileError(path + ": the file is too large for a form file");
    }
    if (in.bad()) throw FormFileError(path + ": cannot read the file");
    fs::path folder = fs::absolute(fs::path(path), ec).parent_path();
    return LoadFormText(runtime, text, folder.string(), path);
}

void SaveFormFile(Runtime& runtime, Form& form, const std::string& path) {
    (void)runtime;
    if (path.empty()) throw FormFileError("cannot save a form without a file name");
    std::error_code ec;
    fs::path folder = fs::absolute(fs::path(path), ec).lexically_normal().parent_path();
    if (ec) throw FormFileError("cannot save " + path + ": " + ec.message());
    // The whole text exists before any file is touched: a form that cannot be written out
    // (a picture that does not encode, say) leaves the disk as it was.
    Writer writer(folder, path);
    std::string text;
    Layout(writer.FormJson(form), 0, 0, false, text);
    text += "\n";
    WriteAtomically(path, text);
}

}  // namespace stolvane
