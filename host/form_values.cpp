// SPDX-License-Identifier: MIT
// Reading form files, the values: the JSON text parsed (with line and column for a malformed
// one), and every value checked against the type and range its key or property holds.
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "core/units.h"
#include "host/form_limits.h"
#include "host/form_reader.h"
#include "host/limits.h"
#include "host/media.h"
#include "host/runtime.h"

namespace stolvane::formfile {

namespace fs = std::filesystem;

namespace {

// Builds the document as nlohmann's own parser does, and watches the keys of each object on the
// way: nlohmann keeps the last of two equal keys, and a form file refuses them, since one of the
// two values would be lost without a word. One pass over the text builds the document and finds
// the first key given twice.
class DocumentBuilder {
public:
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    explicit DocumentBuilder(Json& root) : m_root(root) {}
    std::optional<std::string> duplicate;

    bool null() { return Put(nullptr); }
    bool boolean(bool v) { return Put(v); }
    bool number_integer(number_integer_t v) { return Put(v); }
    bool number_unsigned(number_unsigned_t v) { return Put(v); }
    bool number_float(number_float_t v, const string_t&) { return Put(v); }
    bool string(string_t& v) { return Put(std::move(v)); }
    bool binary(binary_t& v) { return Put(Json::binary(std::move(v))); }
    bool start_object(std::size_t) {
        Put(Json::value_t::object);
        m_open.push_back({m_last, {}});
        return true;
    }
    bool key(string_t& k) {
        Open& o = m_open.back();
        if (!duplicate) {
            // Objects are small; a large one is watched through a set of its keys.
            constexpr size_t kLinear = 32;
            if (o.keys) {
                if (!o.keys->insert(k).second) duplicate = k;
            } else if (o.value->contains(k)) {
                duplicate = k;
            } else if (o.value->size() >= kLinear) {
                o.keys = std::make_unique<std::unordered_set<std::string>>();
                for (auto& [name, v] : o.value->items()) o.keys->insert(name);
                o.keys->insert(k);
            }
        }
        m_element = &(*o.value)[std::move(k)];
        return true;
    }
    bool end_object() {
        m_open.pop_back();
        return true;
    }
    bool start_array(std::size_t) {
        Put(Json::value_t::array);
        m_open.push_back({m_last, {}});
        return true;
    }
    bool end_array() {
        m_open.pop_back();
        return true;
    }
    // nlohmann's exceptions, thrown as its own parser throws them.
    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& e) {
        throw e;
    }

private:
    struct Open {
        Json* value;
        std::unique_ptr<std::unordered_set<std::string>> keys;  // a large object's keys
    };
    bool Put(Json v) {
        if (m_open.empty()) {
            m_root = std::move(v);
            m_last = &m_root;
        } else if (Json& in = *m_open.back().value; in.is_array()) {
            in.push_back(std::move(v));
            m_last = &in.back();
        } else {
            *m_element = std::move(v);
            m_last = m_element;
        }
        return true;
    }
    Json& m_root;
    std::vector<Open> m_open;
    Json* m_element = nullptr;  // the member whose key came last
    Json* m_last = nullptr;     // the value put last
};

}  // namespace

Json Reader::Parse(const std::string& text) const {
    Json doc;
    DocumentBuilder builder(doc);
    std::optional<std::string>& duplicate = builder.duplicate;
    try {
        Json::sax_parse(text, &builder);
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

bool Reader::Boolean(const Json& v, const Where& where) const {
    if (v.is_boolean()) return v.get<bool>();
    // Classic Booleans are numbers: True is -1, and any non-zero value counts as True.
    if (v.is_number_integer()) return Integer(v, where, -32768, 32767, "a 16-bit Boolean") != 0;
    Fail(where, "expected true or false, found " + Describe(v));
}

int64_t Reader::Integer(const Json& v, const Where& where, int64_t lo, int64_t hi, const char* range,
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

double Reader::Coordinate(const Json& v, const Where& where) const {
    if (!v.is_number()) Fail(where, "expected a number of twips, found " + Describe(v));
    double d = v.get<double>();
    if (!std::isfinite(d) || std::fabs(d) > limits::kMaxCoordinateTwips)
        Fail(where, v.dump() + " is out of range (overflow)");
    return d;
}

double Reader::Size(const Json& v, const Where& where) const {
    double d = Coordinate(v, where);
    if (d < 0) Fail(where, "a size must not be negative, found " + v.dump());
    if (d > kMaxExtentTwips)
        Fail(where, v.dump() + " is over the largest size, 491505 twips (32767 pixels)");
    return d;
}

OleColour Reader::Colour(const Json& v, const Where& where) const {
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

std::string Reader::Text(const Json& v, const Where& where) const {
    if (!v.is_string()) Fail(where, "expected a string, found " + Describe(v));
    if (auto problem = TextProblem(v.get_ref<const std::string&>())) Fail(where, *problem);
    return v.get<std::string>();
}

Font Reader::FontValue(const Json& v, const Where& where) const {
    if (!v.is_object())
        Fail(where, "expected a font object such as {\"Name\": \"Tahoma\", \"Size\": 8.25}, found " + Describe(v));
    Font font;  // the classic defaults: MS Sans Serif 8.25, regular
    Fields f(v);
    static const char* const kMembers[] = {"Name",          "Size",   "Bold",   "Italic", "Underline",
                                           "Strikethrough", "Weight", "Charset"};
    f.Expect(kMembers);
    auto member = [&](const char* k) { return where.Text() + ", font member " + Quote(k); };
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

PictureRef Reader::PictureValue(const Json& v, const Where& where) {
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
        RememberOrigin(picture, text, true);
    } else {
        fs::path given(text);
        try {
            if (given.is_absolute()) {
                picture = m_runtime.LoadPicture(given.lexically_normal().string());
            } else if (m_baseDir.empty()) {
                // Text without a folder (a library form): the library's own resources first.
                std::string_view res = m_runtime.GetLibrary().Resource(given.lexically_normal().generic_string());
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
        RememberOrigin(picture, text, false);
    }
    m_pictures[text] = picture;
    return picture;
}

Value Reader::Property(const Json& v, PropType type, const Where& where) {
    switch (type) {
        case PropType::Boolean: return Value{int64_t{ToBoolean(Boolean(v, where)).Raw()}};
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

Value Reader::Member(const Json& v, const ElementMember& m, const Where& where) {
    switch (m.type) {
        case MemberType::Boolean: return Value{int64_t{ToBoolean(Boolean(v, where)).Raw()}};
        case MemberType::Int16:
        case MemberType::Int32:
            if (!v.is_number()) Fail(where, "expected an integer, found " + Describe(v));
            return Value{Integer(v, where, m.lo, m.hi, m.range, m.overflow)};
        case MemberType::Colour: return Value{static_cast<int64_t>(Colour(v, where))};
        case MemberType::Twips: return Value{Coordinate(v, where)};
        case MemberType::Size: return Value{Size(v, where)};
        case MemberType::String: return Value{Text(v, where)};
        case MemberType::Font: return Value{std::make_shared<Font>(FontValue(v, where))};
        case MemberType::Picture: return Value{PictureValue(v, where)};
        case MemberType::Items: break;
    }
    Fail(where, "has a type the form file cannot hold");
}

// A list box's rows: each a string, or {"text", "data", "checked", "heading", "collapsed"}.
std::vector<ListBox::Item> Reader::Items(const Json& v, const Where& where) const {
    if (!v.is_array()) Fail(where, "expected an array of items, found " + Describe(v));
    std::vector<ListBox::Item> items;
    size_t n = 0;
    for (const Json& it : v) {
        std::string iw = where.Text() + ", item " + std::to_string(++n);
        ListBox::Item item;
        if (it.is_string()) {
            item.text = Text(it, iw);
        } else if (it.is_object()) {
            Fields fi(it);
            static const char* const kKeys[] = {"text", "data", "checked", "heading", "collapsed"};
            fi.Expect(kKeys);
            if (auto x = fi.Take("text")) item.text = Text(*x, iw + ", key \"text\"");
            if (auto x = fi.Take("data"))
                item.data = static_cast<int32_t>(Integer(*x, iw + ", key \"data\"", std::numeric_limits<int32_t>::min(),
                                                         std::numeric_limits<int32_t>::max(), "a 32-bit integer"));
            if (auto x = fi.Take("checked")) item.checked = Boolean(*x, iw + ", key \"checked\"");
            if (auto x = fi.Take("heading")) item.heading = Boolean(*x, iw + ", key \"heading\"");
            if (auto x = fi.Take("collapsed")) item.collapsed = Boolean(*x, iw + ", key \"collapsed\"");
            if (auto k = fi.Leftover()) Fail(iw, "unknown key " + Quote(*k) + " (known: " + fi.Known() + ")");
        } else {
            Fail(iw, "expected a string or {\"text\", \"data\", \"checked\", \"heading\", \"collapsed\"}, found " +
                         Describe(it));
        }
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace stolvane::formfile
