// SPDX-License-Identifier: MIT
// Reading form files: the whole document is first checked and turned into a plan (names,
// classes, geometry, typed property bags and element members, pictures already loaded), and only
// then is the form created and everything in the plan placed; if placing still fails, the
// half-built form is unloaded again.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/names.h"
#include "host/file_read.h"
#include "host/form_limits.h"
#include "host/form_reader.h"
#include "host/limits.h"
#include "host/picture_budget.h"
#include "host/runtime.h"

namespace stolvane {

namespace formfile {

namespace fs = std::filesystem;

namespace {

ClassFacts LearnClass(const ClassInfo& info) {
    ClassFacts facts;
    if (info.properties)
        for (const PropertyInfo& p : info.properties())
            if (p.persisted) facts.keys.push_back({p.name, p.type, p.enumeration});
    facts.container = info.container;
    return facts;
}

// The intrinsic kinds a form file may hold, by class name (exactly as written).
const ElementKindInfo* FileKind(const std::string& cls) {
    const ElementKindInfo* k = FindElementKind(cls);
    return k && k->inFormFiles && k->className == cls ? k : nullptr;
}

}  // namespace

// ---------------------------------------------------------------- planning

const ClassFacts& Reader::Facts(const ClassInfo& info) {
    auto it = m_facts.find(info.name);
    if (it != m_facts.end()) return it->second;
    return m_facts.emplace(info.name, LearnClass(info)).first->second;
}

void Reader::ClaimName(const PlannedEntry& e, const std::string& cls, const Where& where) {
    const bool array = e.index >= 0;
    auto [it, fresh] = m_names.try_emplace(e.name);
    NameUse& use = it->second;
    if (fresh) {
        use.array = array;
        use.cls = cls;
        if (array) use.indexes.insert(e.index);
        return;
    }
    if (use.array != array) Fail(where, Quote(e.name) + " is used both with and without an array index");
    if (!array || use.indexes.count(e.index)) Fail(where, "the name is used twice in this form");
    if (use.cls != cls) Fail(where, "the members of array " + Quote(e.name) + " must share one class (" + use.cls + ")");
    use.indexes.insert(e.index);
}

PlannedForm Reader::PlanForm(const Json& doc) {
    if (!doc.is_object()) Fail("", "a form file holds one JSON object, found " + Describe(doc));
    PlannedForm form;
    Fields f(doc);
    static const char* const kKeys[] = {"name",     "caption",   "left",       "top",           "width",
                                        "height",   "borderStyle", "font",     "icon",          "backColour",
                                        "minWidth", "minHeight", "keyPreview", "defaultButton", "cancelButton",
                                        "controls"};
    f.Expect(kKeys);
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
    if (auto x = f.Take("minWidth")) form.minWidth = Size(*x, key("minWidth"));
    if (auto x = f.Take("minHeight")) form.minHeight = Size(*x, key("minHeight"));
    if (auto x = f.Take("keyPreview")) form.keyPreview = Boolean(*x, key("keyPreview"));
    if (auto x = f.Take("defaultButton")) form.defaultButton = Text(*x, key("defaultButton"));
    if (auto x = f.Take("cancelButton")) form.cancelButton = Text(*x, key("cancelButton"));
    m_formFont = form.font;
    const Json* controls = f.Take("controls");
    if (auto k = f.Leftover()) Fail("form", "unknown key " + Quote(*k) + " (known: " + f.Known() + ")");
    if (controls) PlanEntries(*controls, std::string("form, key \"controls\""), form.entries, 0, true);
    return form;
}

void Reader::PlanEntries(const Json& list, const Where& where, std::vector<PlannedEntry>& out, int depth,
                         bool onForm) {
    if (!list.is_array()) Fail(where, "expected an array of controls, found " + Describe(list));
    if (depth > limits::kMaxNesting)
        Fail(where, "controls are nested too deeply (containers hold containers at most " +
                        std::to_string(limits::kMaxNesting) + " deep)");
    size_t n = 0;
    out.reserve(list.size());
    for (const Json& item : list) {
        ++n;
        out.push_back(PlanEntry(item, where, n, depth, onForm));
    }
}

PlannedEntry Reader::PlanEntry(const Json& obj, const Where& list, size_t n, int depth, bool onForm) {
    // Where the entry is in its list, named only for a message.
    auto position = [&] { return list.Text() + ", entry " + std::to_string(n); };
    if (!obj.is_object()) Fail(position(), "expected a control object, found " + Describe(obj));
    PlannedEntry e;
    Fields f(obj);
    const Json* name = f.Take("name");
    if (!name) Fail(position(), "missing key \"name\"");
    if (!name->is_string()) Fail(position() + ", key \"name\"", "expected a string, found " + Describe(*name));
    e.label = name->get<std::string>();
    auto where = [&] { return "control " + Quote(e.label); };
    if (!SplitName(e.label, e.name, e.index))
        Fail(where,
             "not a valid name (letters, digits and _, starting with a letter, optionally an index as \"tplDes(3)\")");
    const Json* cls = f.Take("class");
    if (!cls) Fail(where, "missing key \"class\"");
    if (!cls->is_string()) Fail(where() + ", key \"class\"", "expected a string, found " + Describe(*cls));
    std::string className = cls->get<std::string>();

    if (const ElementKindInfo* info = FileKind(className)) {
        e.kind = info->kind;
        ClaimName(e, className, where);
        PlanElement(e, f, where);
        return e;
    }
    e.classInfo = m_runtime.GetLibrary().FindClass(className);
    if (!e.classInfo) {
        std::vector<std::string> names;
        for (const ClassInfo& c : m_runtime.GetLibrary().Classes()) names.push_back(c.name);
        std::vector<std::string> kinds;
        for (const ElementKindInfo& k : ElementKinds())
            if (k.inFormFiles) kinds.push_back(k.className);
        std::vector<std::string> all = names;
        all.insert(all.end(), kinds.begin(), kinds.end());
        Fail(where, "unknown class " + Quote(className) + DidYouMean(className, all) + "; the classes are " +
                        JoinNames(names) + (kinds.empty() ? "" : ", and the elements " + JoinNames(kinds)));
    }
    ClaimName(e, className, where);
    PlanControl(e, f, where, depth);
    return e;
}

void Reader::PlanControl(PlannedEntry& e, Fields& f, const Where& where, int depth) {
    static const char* const kKeys[] = {"name",    "class",  "left",    "top",         "width",
                                        "height",  "tabIndex", "tabStop", "anchor",    "visible",
                                        "toolTipText", "properties", "controls"};
    f.Expect(kKeys);
    // The place of one of the entry's keys, spelled only for a message.
    auto key = [&](const char* k) {
        return [&where, k] { return where.Text() + ", key " + Quote(k); };
    };
    e.rect = {0, 0, e.classInfo->designWidth, e.classInfo->designHeight};
    if (auto x = f.Take("left")) e.rect.left = Coordinate(*x, key("left"));
    if (auto x = f.Take("top")) e.rect.top = Coordinate(*x, key("top"));
    if (auto x = f.Take("width")) e.rect.width = Size(*x, key("width"));
    if (auto x = f.Take("height")) e.rect.height = Size(*x, key("height"));
    e.tabIndex = m_nextTabIndex++;
    if (auto x = f.Take("tabIndex"))
        e.tabIndex = static_cast<int>(Integer(*x, key("tabIndex"), 0, 32767, "a tab index (0 to 32767)", false));
    if (auto x = f.Take("tabStop")) e.tabStop = Boolean(*x, key("tabStop"));
    if (auto x = f.Take("anchor")) {
        std::string text = Text(*x, key("anchor"));
        try {
            e.anchor = ParseAnchor(text);
        } catch (const HostError&) {
            Fail(key("anchor"), Quote(text) + " is not a list of edges (left, top, right, bottom, separated by commas)");
        }
    }
    if (auto x = f.Take("visible")) e.visible = Boolean(*x, key("visible"));
    if (auto x = f.Take("toolTipText")) e.toolTipText = Text(*x, key("toolTipText"));
    const Json* props = f.Take("properties");
    const Json* children = f.Take("controls");
    if (auto k = f.Leftover()) Fail(where, "unknown key " + Quote(*k) + " (known: " + f.Known() + ")");

    const ClassFacts& facts = Facts(*e.classInfo);
    if (props) {
        if (!props->is_object()) Fail(key("properties"), "expected an object, found " + Describe(*props));
        for (auto& [k, v] : props->items()) {
            auto pw = [&where, &k] { return where.Text() + ", property " + Quote(k); };
            const StoredKey* sk = facts.Find(k);
            if (!sk) {
                std::vector<std::string> names;
                for (auto& known : facts.keys) names.push_back(known.name);
                Fail(pw, "unknown property of " + e.classInfo->name + DidYouMean(k, names) + "; its properties are " +
                             JoinNames(names));
            }
            Value value = Property(v, sk->type, pw);
            if (sk->enumeration && sk->enumeration->Refuses() && !sk->enumeration->Contains(AsInteger(value)))
                Fail(pw, std::to_string(AsInteger(value)) + " is not " + WithArticle(sk->enumeration->name) + " value (" +
                             sk->enumeration->List() + ")");
            e.properties.Set(k, std::move(value));
        }
    }
    if (children) {
        if (!facts.container) Fail(key("controls"), e.classInfo->name + " cannot hold controls");
        PlanEntries(*children, key("controls"), e.children, depth + 1, false);
    }
}

// An element's keys are its kind's stored members, in lowerCamel; an older spelling of a member
// is read as the member. Values not given keep the element's own defaults, except a label's
// font, which is the form's.
void Reader::PlanElement(PlannedEntry& e, Fields& f, const Where& where) {
    const ElementKindInfo& info = KindInfo(e.kind);
    static const char* const kKeys[] = {"name", "class"};
    f.Expect(kKeys);
    for (const ElementMember& m : info.members) {
        if (!m.stored) continue;
        std::string key = m.Key();
        f.Expect(key);
        const Json* given = f.Take(key);
        std::string spelled = key;
        for (const std::string& alias : m.aliases) {
            std::string old = ElementMember::KeyOf(alias);
            const Json* x = f.Take(old);
            if (!x) continue;
            if (given) Fail(where, "keys " + Quote(spelled) + " and " + Quote(old) + " give the same member");
            given = x, spelled = old;
        }
        auto kw = [&] { return where.Text() + ", key " + Quote(spelled); };
        PlannedValue pv{&m, {}, {}};
        if (!given) {
            if (m.type != MemberType::Font) continue;
            pv.value = Value{m_formFont};
        } else if (m.type == MemberType::Items) {
            pv.items = Items(*given, kw);
        } else {
            pv.value = Member(*given, m, kw);
        }
        e.values.push_back(std::move(pv));
    }
    if (auto k = f.Leftover())
        Fail(where, "unknown key " + Quote(*k) + " for a " + info.className + " (known: " + f.Known() + ")");
}

// ---------------------------------------------------------------- creation

static void PlaceEntries(Runtime& runtime, Surface& container, const std::vector<PlannedEntry>& entries,
                  const std::string& source) {
    for (const PlannedEntry& e : entries) {
        try {
            if (e.classInfo) {
                ControlElement& ce =
                    runtime.PlaceControl(container, e.classInfo->name, e.name, e.index, e.rect, &e.properties);
                Surface& s = ce.GetSurface();
                s.SetTabIndex(e.tabIndex);
                if (e.tabStop) s.SetTabStop(*e.tabStop);
                s.SetAnchor(e.anchor);
                s.SetVisible(e.visible);
                ce.SetToolTipText(e.toolTipText);
                PlaceEntries(runtime, s, e.children, source);
            } else {
                Element& el = runtime.PlaceElement(container, e.kind, e.name, e.index);
                for (const PlannedValue& v : e.values) {
                    if (v.member->type == MemberType::Items)
                        v.member->setItems(el, v.items);
                    else
                        v.member->set(el, v.value);
                }
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

Form& Build(Runtime& runtime, const PlannedForm& plan, const std::string& source, const FormLoadOptions& options) {
    Form& form = runtime.NewForm(plan.name, plan.width, plan.height);
    if (options.designMode) runtime.SetDesignMode(form, true, options.designSink);
    try {
        form.Move(plan.left, plan.top, plan.width, plan.height);
        form.SetCaption(plan.caption);
        form.SetBorderStyle(plan.borderStyle);
        form.SetFont(plan.font);
        form.SetIcon(plan.icon);
        form.SetBackColour(plan.backColour);
        form.SetMinClientSize(plan.minWidth, plan.minHeight);
        form.SetKeyPreview(plan.keyPreview);
        form.SetDefaultButton(plan.defaultButton);
        form.SetCancelButton(plan.cancelButton);
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

}  // namespace formfile

using formfile::Reader;

Form& LoadFormText(Runtime& runtime, const std::string& text, const std::string& baseDir,
                   const std::string& sourceName, const FormLoadOptions& options) {
    Reader reader(runtime, sourceName, baseDir);
    if (text.size() > limits::kMaxFileBytes) reader.Fail("", "the file is too large for a form file (over 64 MB)");
    // Checked on the bytes before a document is built: a deep or vast one would cost memory
    // and time in proportion to it, and a NUL byte would end the text without a word.
    if (auto refusal = formfile::ScanFormText(text))
        reader.Fail("line " + std::to_string(refusal->line) + ", column " + std::to_string(refusal->column),
                    refusal->reason);
    formfile::PlannedForm plan;
    {
        // The document is freed before the controls are made: the plan holds all they need,
        // and the memory the document took serves them.
        formfile::Json doc = reader.Parse(text);
        // Every picture the file names counts against one budget, before it is decoded.
        PictureBudget budget;
        plan = reader.PlanForm(doc);
    }
    return formfile::Build(runtime, plan, sourceName, options);
}

Form& LoadFormFile(Runtime& runtime, const std::string& path, const FormLoadOptions& options) {
    namespace fs = std::filesystem;
    // Opened without waiting and read only when it is a regular file: a FIFO is refused at once.
    std::string text, why;
    if (!ReadRegularFile(path, limits::kMaxFileBytes, text, why)) {
        if (why.rfind("it is larger", 0) == 0)
            throw FormFileError(path + ": the file is too large for a form file (over 64 MB)");
        if (why.rfind("it is ", 0) == 0) {
            // "it is a FIFO, not a regular file" -> "PATH: is a FIFO, not a form file"
            const size_t comma = why.find(',');
            std::string kind = why.substr(3, comma == std::string::npos ? std::string::npos : comma - 3);
            throw FormFileError(path + ": " + kind + ", not a form file");
        }
        throw FormFileError(path + ": cannot read the file (" + why + ")");
    }
    std::error_code ec;
    fs::path folder = fs::absolute(fs::path(path), ec).parent_path();
    return LoadFormText(runtime, text, folder.string(), path, options);
}

}  // namespace stolvane
