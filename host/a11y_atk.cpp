// SPDX-License-Identifier: MIT
// ATK objects for the accessible model, the toolkit hooks ATK asks of us (the root object, the
// global event listeners as GObject emission hooks), the at-spi2-atk bridge that speaks AT-SPI
// on the bus for them, and the wake-up of the window loop when the bus has something for us.
#include "host/a11y_atk.h"

#include <atk/atk.h>
#include <dlfcn.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/text_box.h"
#include "host/a11y_model.h"
#include "host/runtime.h"

namespace stolvane {

namespace {

// The at-spi2-atk bridge, loaded when a window first goes on the bus: it brings D-Bus, AT-SPI's
// client library and theirs, which rendering and scripts never need. Its two entry points are
// all we call; it finds our objects through ATK, which the library links, and the bridge's copy
// of ATK is that one (the same library, already loaded).
struct BridgeLibrary {
    int (*init)(int* argc, char*** argv) = nullptr;
    void (*cleanup)() = nullptr;
};

const BridgeLibrary* Bridge() {
    static const BridgeLibrary bridge = [] {
        BridgeLibrary b;
        if (void* handle = dlopen("libatk-bridge-2.0.so.0", RTLD_NOW | RTLD_LOCAL)) {
            b.init = reinterpret_cast<int (*)(int*, char***)>(dlsym(handle, "atk_bridge_adaptor_init"));
            b.cleanup = reinterpret_cast<void (*)()>(dlsym(handle, "atk_bridge_adaptor_cleanup"));
        }
        return b;
    }();
    return bridge.init && bridge.cleanup ? &bridge : nullptr;
}

AtkRole AtkRoleOf(AccessibleRole r) {
    switch (r) {
        case AccessibleRole::NotExposed: return ATK_ROLE_UNKNOWN;
        case AccessibleRole::Application: return ATK_ROLE_APPLICATION;
        case AccessibleRole::Frame: return ATK_ROLE_FRAME;
        case AccessibleRole::Dialog: return ATK_ROLE_DIALOG;
        case AccessibleRole::PushButton: return ATK_ROLE_PUSH_BUTTON;
        case AccessibleRole::CheckBox: return ATK_ROLE_CHECK_BOX;
        case AccessibleRole::Label: return ATK_ROLE_LABEL;
        case AccessibleRole::Link: return ATK_ROLE_LINK;
        case AccessibleRole::Panel: return ATK_ROLE_PANEL;
        case AccessibleRole::ProgressBar: return ATK_ROLE_PROGRESS_BAR;
        case AccessibleRole::StatusBar: return ATK_ROLE_STATUSBAR;
        case AccessibleRole::TitleBar: return ATK_ROLE_TITLE_BAR;
        case AccessibleRole::Image: return ATK_ROLE_IMAGE;
        case AccessibleRole::Canvas: return ATK_ROLE_CANVAS;
        case AccessibleRole::List: return ATK_ROLE_LIST;
        case AccessibleRole::ListItem: return ATK_ROLE_LIST_ITEM;
        case AccessibleRole::Text: return ATK_ROLE_TEXT;
        case AccessibleRole::Menu: return ATK_ROLE_MENU;
        case AccessibleRole::MenuItem: return ATK_ROLE_MENU_ITEM;
        case AccessibleRole::ToolTip: return ATK_ROLE_TOOL_TIP;
    }
    return ATK_ROLE_UNKNOWN;
}

// The interfaces an object offers beyond the accessible itself and the component.
enum Interfaces : unsigned { kAction = 1, kValue = 2, kText = 4, kEditable = 8, kWindow = 16 };

}  // namespace

// ---------------------------------------------------------------- the object type

struct StolvaneAtkObject {
    AtkObject parent;
    AccessibilityBridge::Impl* bridge;
    AccessibleRef* ref;  // null once the object it speaks for is gone
    bool root;
};
struct StolvaneAtkObjectClass {
    AtkObjectClass parent;
};

struct AccessibilityBridge::Impl {
    Runtime& rt;
    Hooks hooks;
    bool active = false;
    bool detached = false;  // objects without a bus (AccessibilityBridge::Detached)
    AtkObject* root = nullptr;

    // What a client has seen of each object, for telling it what changed.
    struct Seen {
        AtkObject* object = nullptr;
        unsigned interfaces = 0;  // those of its type, fixed when it was made
        AccessibleNode node;
        std::vector<const void*> children;
        bool childrenKnown = false;
    };
    std::map<std::tuple<const void*, const void*, int>, Seen> objects;  // by (surface, element, item)
    std::vector<const Form*> shownForms;
    const Form* activeForm = nullptr;
    AccessibleRef focused;

    // The GLib side of the loop.
    GMainContext* context = nullptr;
    std::vector<GPollFD> fds;
    gint maxPriority = 0;
    bool acquired = false;
    // The watcher: polls the bus's descriptors while the loop sleeps, and wakes it.
    std::thread watcher;
    std::mutex lock;
    std::condition_variable armed;
    std::vector<pollfd> watched;
    bool watching = false, stopping = false;
    int cancel = -1;  // an eventfd that ends the watcher's poll

    Impl(Runtime& r, Hooks h) : rt(r), hooks(std::move(h)) {}

    static std::tuple<const void*, const void*, int> KeyOf(const AccessibleRef& r) {
        return {r.surface, r.element, r.item};
    }
    double Scale() const { return hooks.scale ? hooks.scale() : 1; }
    // What tells a child from its siblings while both live: a list's rows by their index.
    static const void* ChildKey(const AccessibleRef& c) {
        return c.item >= 0 ? reinterpret_cast<const void*>(static_cast<intptr_t>(c.item + 1)) : c.Key();
    }

    // The popup the object's form shows, if it is a popup's.
    const AccessiblePopup* Popup(const AccessibleRef& r) {
        Form* f = FormOf(r);
        return f && hooks.popups ? hooks.popups(*f) : nullptr;
    }
    AccessibleNode Describe(const AccessibleRef& r) {
        AccessibleNode n = DescribeAccessible(rt, r, Scale(), Popup(r));
        if (Form* f = FormOf(r); f && hooks.origin) {
            if (auto o = hooks.origin(*f)) {
                n.extents.screenX = o->x + n.extents.x;
                n.extents.screenY = o->y + n.extents.y;
            }
        }
        return n;
    }
    std::vector<Form*> Forms() {
        std::vector<Form*> out;
        // A tooltip's form is drawn in its window without being shown as the application's.
        for (auto& f : rt.Forms())
            if (rt.IsLoaded(*f) && ((rt.IsShown(*f) && (!hooks.exposed || hooks.exposed(*f))) ||
                                    (hooks.popups && hooks.popups(*f))))
                out.push_back(f.get());
        return out;
    }
    std::vector<AccessibleRef> Children(const AccessibleRef* r) {
        if (!r) {
            std::vector<AccessibleRef> out;
            for (Form* f : Forms()) out.push_back({f, nullptr, -1});
            return out;
        }
        return AccessibleChildren(rt, *r, Popup(*r));
    }
    AccessibleRef ParentOf(const AccessibleRef& r) {
        if (r.item >= 0) return {r.surface, r.element, -1};
        if (r.element) return {r.surface, nullptr, -1};
        if (r.surface && r.surface->Container()) return {r.surface->Container(), nullptr, -1};
        return {};
    }

    AtkObject* ObjectFor(const AccessibleRef& r);
    void Forget(const std::tuple<const void*, const void*, int>& key);
    void Renew(const std::tuple<const void*, const void*, int>& key);
    void Sync();
    void Arm();
    void Disarm();
};

namespace {

AccessibilityBridge::Impl* g_bridge = nullptr;

StolvaneAtkObject* Self(gpointer p) { return reinterpret_cast<StolvaneAtkObject*>(p); }
// The object's node now, or nothing when it is gone (or is the root).
std::optional<AccessibleNode> NodeOf(gpointer p) {
    StolvaneAtkObject* o = Self(p);
    if (o->root || !o->ref || !o->bridge) return std::nullopt;
    return o->bridge->Describe(*o->ref);
}

// Strings handed to ATK live as long as the object's last answer.
const gchar* Keep(gpointer p, const char* key, const std::string& s) {
    g_object_set_data_full(G_OBJECT(p), key, g_strdup(s.c_str()), g_free);
    return static_cast<const gchar*>(g_object_get_data(G_OBJECT(p), key));
}

const gchar* GetName(AtkObject* a) {
    StolvaneAtkObject* o = Self(a);
    if (o->root) return Keep(a, "stolvane-name", o->bridge ? o->bridge->rt.AppName() : std::string("STolvane"));
    auto n = NodeOf(a);
    return Keep(a, "stolvane-name", n ? n->name : std::string());
}
const gchar* GetDescription(AtkObject* a) {
    auto n = NodeOf(a);
    return Keep(a, "stolvane-description", n ? n->description : std::string());
}
AtkRole GetRole(AtkObject* a) {
    if (Self(a)->root) return ATK_ROLE_APPLICATION;
    auto n = NodeOf(a);
    return n ? AtkRoleOf(n->role) : ATK_ROLE_INVALID;
}
gint GetNChildren(AtkObject* a) {
    StolvaneAtkObject* o = Self(a);
    if (!o->bridge || (!o->root && !o->ref)) return 0;
    return static_cast<gint>(o->bridge->Children(o->root ? nullptr : o->ref).size());
}
AtkObject* RefChild(AtkObject* a, gint i) {
    StolvaneAtkObject* o = Self(a);
    if (!o->bridge || (!o->root && !o->ref) || i < 0) return nullptr;
    auto children = o->bridge->Children(o->root ? nullptr : o->ref);
    if (static_cast<size_t>(i) >= children.size()) return nullptr;
    AtkObject* child = o->bridge->ObjectFor(children[static_cast<size_t>(i)]);
    return child ? ATK_OBJECT(g_object_ref(child)) : nullptr;
}
gint GetIndexInParent(AtkObject* a) {
    StolvaneAtkObject* o = Self(a);
    if (o->root || !o->ref || !o->bridge) return -1;
    AccessibleRef parent = o->bridge->ParentOf(*o->ref);
    auto siblings = o->bridge->Children(parent.surface ? &parent : nullptr);
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i] == *o->ref) return static_cast<gint>(i);
    return -1;
}
AtkStateSet* RefStateSet(AtkObject* a) {
    AtkStateSet* set = atk_state_set_new();
    StolvaneAtkObject* o = Self(a);
    if (o->root) return set;
    auto n = NodeOf(a);
    if (!n) {
        atk_state_set_add_state(set, ATK_STATE_DEFUNCT);
        return set;
    }
    const AccessibleStates& s = n->states;
    auto add = [&](bool on, AtkStateType t) {
        if (on) atk_state_set_add_state(set, t);
    };
    add(s.enabled, ATK_STATE_ENABLED);
    add(s.enabled, ATK_STATE_SENSITIVE);
    add(s.visible, ATK_STATE_VISIBLE);
    add(s.showing, ATK_STATE_SHOWING);
    add(s.focusable, ATK_STATE_FOCUSABLE);
    add(s.focused, ATK_STATE_FOCUSED);
    add(s.checkable, ATK_STATE_CHECKABLE);
    add(s.checked, ATK_STATE_CHECKED);
    add(s.pressed, ATK_STATE_PRESSED);
    add(s.expandable, ATK_STATE_EXPANDABLE);
    add(s.expanded, ATK_STATE_EXPANDED);
    add(s.selectable, ATK_STATE_SELECTABLE);
    add(s.selected, ATK_STATE_SELECTED);
    add(s.editable, ATK_STATE_EDITABLE);
    add(s.multiLine, ATK_STATE_MULTI_LINE);
    add(s.singleLine, ATK_STATE_SINGLE_LINE);
    add(s.modal, ATK_STATE_MODAL);
    add(s.active, ATK_STATE_ACTIVE);
    return set;
}
AtkAttributeSet* GetAttributes(AtkObject* a) {
    auto n = NodeOf(a);
    AtkAttributeSet* set = nullptr;
    if (n && !n->ref.element && n->ref.surface && !n->ref.surface->IsForm()) {
        auto* attr = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
        attr->name = g_strdup("id");
        attr->value = g_strdup(n->ref.surface->FullName().c_str());
        set = g_slist_prepend(set, attr);
    } else if (n && n->ref.element && n->ref.item < 0) {
        auto* attr = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
        attr->name = g_strdup("id");
        attr->value = g_strdup(n->ref.element->FullName().c_str());
        set = g_slist_prepend(set, attr);
    }
    return set;
}

// ---- Component
void GetExtents(AtkComponent* c, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
    *x = *y = *w = *h = 0;
    auto n = NodeOf(c);
    if (!n) return;
    *w = n->extents.width;
    *h = n->extents.height;
    if (coords == ATK_XY_SCREEN) {
        *x = n->extents.screenX;
        *y = n->extents.screenY;
    } else if (coords == ATK_XY_WINDOW) {
        *x = n->extents.x;
        *y = n->extents.y;
    } else {
        StolvaneAtkObject* o = Self(c);
        AccessibleRef parent = o->bridge->ParentOf(*o->ref);
        AccessibleNode p = parent.surface ? o->bridge->Describe(parent) : AccessibleNode{};
        *x = n->extents.x - (parent.surface && !parent.surface->IsForm() ? p.extents.x : 0);
        *y = n->extents.y - (parent.surface && !parent.surface->IsForm() ? p.extents.y : 0);
    }
}
gboolean GrabFocus(AtkComponent* c) {
    StolvaneAtkObject* o = Self(c);
    auto n = NodeOf(c);
    if (!n || !n->states.focusable) return FALSE;
    AccessibleRef r = *o->ref;
    AccessibilityBridge::Impl* b = o->bridge;
    b->rt.Post([b, r] {
        if (!b->objects.count(AccessibilityBridge::Impl::KeyOf(r))) return;
        if (r.element) b->rt.FocusElement(*r.element);
        else if (r.surface) b->rt.SetFocus(*r.surface);
    });
    return TRUE;
}
void InitComponent(gpointer iface, gpointer) {
    auto* i = static_cast<AtkComponentIface*>(iface);
    i->get_extents = GetExtents;
    i->grab_focus = GrabFocus;
}

// ---- Action: carried out from the loop once the request is answered, so that what the
// action opens (a modal form) runs its own loop outside the bus's dispatch.
gint ActionCount(AtkAction* a) {
    auto n = NodeOf(a);
    return n ? static_cast<gint>(n->actions.size()) : 0;
}
gboolean DoAction(AtkAction* a, gint i) {
    StolvaneAtkObject* o = Self(a);
    auto n = NodeOf(a);
    if (!n || i < 0 || static_cast<size_t>(i) >= n->actions.size() || !n->states.enabled) return FALSE;
    AccessibleRef r = *o->ref;
    AccessibilityBridge::Impl* b = o->bridge;
    b->rt.Post([b, r, i] {
        if (b->objects.count(AccessibilityBridge::Impl::KeyOf(r)))
            InvokeAccessibleAction(b->rt, r, static_cast<size_t>(i), b->Popup(r));
    });
    return TRUE;
}
const gchar* ActionName(AtkAction* a, gint i) {
    auto n = NodeOf(a);
    if (!n || i < 0 || static_cast<size_t>(i) >= n->actions.size()) return nullptr;
    return Keep(a, "stolvane-action", n->actions[static_cast<size_t>(i)].name);
}
const gchar* ActionDescription(AtkAction* a, gint i) {
    auto n = NodeOf(a);
    if (!n || i < 0 || static_cast<size_t>(i) >= n->actions.size()) return nullptr;
    return Keep(a, "stolvane-action-description", n->actions[static_cast<size_t>(i)].description);
}
const gchar* ActionKey(AtkAction* a, gint i) {
    auto n = NodeOf(a);
    if (!n || i != 0) return nullptr;
    // "Alt+O" is "<Alt>O"; a menu item's letter stands alone.
    std::string key = n->accessKey;
    if (key.rfind("Alt+", 0) == 0) key = "<Alt>" + key.substr(4);
    return Keep(a, "stolvane-key", key);
}
void InitAction(gpointer iface, gpointer) {
    auto* i = static_cast<AtkActionIface*>(iface);
    i->do_action = DoAction;
    i->get_n_actions = ActionCount;
    i->get_name = ActionName;
    i->get_localized_name = ActionName;
    i->get_description = ActionDescription;
    i->get_keybinding = ActionKey;
}

// ---- Value: a progress bar's percentage.
void CurrentValue(AtkValue* v, GValue* out) {
    auto n = NodeOf(v);
    g_value_init(out, G_TYPE_DOUBLE);
    g_value_set_double(out, n && n->value ? *n->value : 0);
}
void MinimumValue(AtkValue*, GValue* out) {
    g_value_init(out, G_TYPE_DOUBLE);
    g_value_set_double(out, 0);
}
void MaximumValue(AtkValue*, GValue* out) {
    g_value_init(out, G_TYPE_DOUBLE);
    g_value_set_double(out, 100);
}
void ValueAndText(AtkValue* v, gdouble* value, gchar** text) {
    auto n = NodeOf(v);
    *value = n && n->value ? *n->value : 0;
    if (text) *text = nullptr;
}
AtkRange* ValueRange(AtkValue*) { return atk_range_new(0, 100, nullptr); }
void InitValue(gpointer iface, gpointer) {
    auto* i = static_cast<AtkValueIface*>(iface);
    i->get_current_value = CurrentValue;
    i->get_minimum_value = MinimumValue;
    i->get_maximum_value = MaximumValue;
    i->get_value_and_text = ValueAndText;
    i->get_range = ValueRange;
}

// ---- Text: offsets count characters.
std::string TextOf(gpointer p) {
    auto n = NodeOf(p);
    return n && n->text ? *n->text : std::string();
}
gchar* Slice(const std::string& s, gint start, gint end) {
    const glong count = g_utf8_strlen(s.c_str(), -1);
    if (end < 0 || end > count) end = static_cast<gint>(count);
    start = std::clamp<gint>(start, 0, end);
    const char* from = g_utf8_offset_to_pointer(s.c_str(), start);
    const char* to = g_utf8_offset_to_pointer(s.c_str(), end);
    return g_strndup(from, static_cast<gsize>(to - from));
}
gchar* GetText(AtkText* t, gint start, gint end) { return Slice(TextOf(t), start, end); }
gint CharacterCount(AtkText* t) { return static_cast<gint>(g_utf8_strlen(TextOf(t).c_str(), -1)); }
gunichar CharacterAt(AtkText* t, gint offset) {
    std::string s = TextOf(t);
    if (offset < 0 || offset >= g_utf8_strlen(s.c_str(), -1)) return 0;
    return g_utf8_get_char(g_utf8_offset_to_pointer(s.c_str(), offset));
}
// A text box's caret; a label has none (it cannot be selected), which readers are told as -1.
gint CaretOffset(AtkText* t) {
    auto n = NodeOf(t);
    return n ? std::max(-1, n->caret) : -1;
}
gint SelectionCount(AtkText* t) {
    auto n = NodeOf(t);
    return n && n->selectionLength > 0 ? 1 : 0;
}
gchar* Selection(AtkText* t, gint num, gint* start, gint* end) {
    auto n = NodeOf(t);
    if (!n || num != 0 || n->selectionLength <= 0) {
        *start = *end = 0;
        return nullptr;
    }
    *start = n->selectionStart;
    *end = n->selectionStart + n->selectionLength;
    return Slice(n->text.value_or(""), *start, *end);
}
// Where the lines of the text start as laid out: a text box's or a label's, wrapped where it wraps.
std::vector<int> WrapsOf(gpointer p) {
    StolvaneAtkObject* o = Self(p);
    if (!o->ref || !o->bridge) return {};
    return TextLineStarts(o->bridge->rt, *o->ref);
}
// The character, word, sentence or line around an offset, as readers ask by boundary: from the
// boundary at or before it to the next one.
TextSpan UnitAt(AtkText* t, const std::string& s, gint offset, AtkTextBoundary boundary) {
    const gint count = static_cast<gint>(g_utf8_strlen(s.c_str(), -1));
    offset = std::clamp<gint>(offset, 0, count);
    if (boundary == ATK_TEXT_BOUNDARY_CHAR) return {offset, std::min(offset + 1, count)};
    TextUnit unit = TextUnit::LineStart;
    switch (boundary) {
        case ATK_TEXT_BOUNDARY_WORD_START: unit = TextUnit::WordStart; break;
        case ATK_TEXT_BOUNDARY_WORD_END: unit = TextUnit::WordEnd; break;
        case ATK_TEXT_BOUNDARY_SENTENCE_START: unit = TextUnit::SentenceStart; break;
        case ATK_TEXT_BOUNDARY_SENTENCE_END: unit = TextUnit::SentenceEnd; break;
        case ATK_TEXT_BOUNDARY_LINE_END: unit = TextUnit::LineEnd; break;
        default: break;
    }
    std::vector<int> wraps;
    if (unit == TextUnit::LineStart || unit == TextUnit::LineEnd) wraps = WrapsOf(t);
    return TextUnitAt(s, offset, unit, wraps);
}
gchar* Answer(const std::string& s, TextSpan span, gint* start, gint* end) {
    *start = span.start;
    *end = span.end;
    return Slice(s, span.start, span.end);
}
gchar* TextAt(AtkText* t, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
    std::string s = TextOf(t);
    return Answer(s, UnitAt(t, s, offset, boundary), start, end);
}
// The unit before the one at the offset (ending where that one starts), and the unit after it
// (starting where it ends); empty at either end of the text.
gchar* TextBefore(AtkText* t, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
    std::string s = TextOf(t);
    const TextSpan at = UnitAt(t, s, offset, boundary);
    if (at.start <= 0) return Answer(s, {0, 0}, start, end);
    return Answer(s, UnitAt(t, s, at.start - 1, boundary), start, end);
}
gchar* TextAfter(AtkText* t, gint offset, AtkTextBoundary boundary, gint* start, gint* end) {
    std::string s = TextOf(t);
    const gint count = static_cast<gint>(g_utf8_strlen(s.c_str(), -1));
    const TextSpan at = UnitAt(t, s, offset, boundary);
    if (at.end >= count) return Answer(s, {count, count}, start, end);
    return Answer(s, UnitAt(t, s, at.end, boundary), start, end);
}
// The same by granularity: a word, sentence or line from its start to the next one's; a
// paragraph from one line break to the next.
gchar* StringAt(AtkText* t, gint offset, AtkTextGranularity granularity, gint* start, gint* end) {
    std::string s = TextOf(t);
    AtkTextBoundary boundary = ATK_TEXT_BOUNDARY_CHAR;
    switch (granularity) {
        case ATK_TEXT_GRANULARITY_CHAR: break;
        case ATK_TEXT_GRANULARITY_WORD: boundary = ATK_TEXT_BOUNDARY_WORD_START; break;
        case ATK_TEXT_GRANULARITY_SENTENCE: boundary = ATK_TEXT_BOUNDARY_SENTENCE_START; break;
        case ATK_TEXT_GRANULARITY_LINE: boundary = ATK_TEXT_BOUNDARY_LINE_START; break;
        case ATK_TEXT_GRANULARITY_PARAGRAPH: return Answer(s, TextUnitAt(s, offset, TextUnit::LineStart), start, end);
    }
    return Answer(s, UnitAt(t, s, offset, boundary), start, end);
}
// Where a character lies on the screen or in the window, in pixels at its scale.
void CharacterExtents(AtkText* t, gint offset, gint* x, gint* y, gint* w, gint* h, AtkCoordType coords) {
    *x = *y = *w = *h = -1;
    auto n = NodeOf(t);
    StolvaneAtkObject* o = Self(t);
    if (!n) return;
    std::optional<Rect> r = TextCharacterBounds(o->bridge->rt, *o->ref, offset);
    if (!r) return;
    const double scale = o->bridge->Scale();
    const int left = static_cast<int>(std::lround(r->left * scale)), top = static_cast<int>(std::lround(r->top * scale));
    *w = static_cast<int>(std::lround(r->width * scale));
    *h = static_cast<int>(std::lround(r->height * scale));
    if (coords == ATK_XY_SCREEN) {
        *x = n->extents.screenX + left;
        *y = n->extents.screenY + top;
    } else {
        *x = n->extents.x + left;
        *y = n->extents.y + top;
    }
}
// How the text looks, by ATK's attribute names and value formats: the font, and the colours
// as 16-bit red, green and blue as pango gives colours ("65535,0,0" is red).
AtkAttributeSet* WithAttribute(AtkAttributeSet* set, AtkTextAttribute which, const std::string& value) {
    auto* a = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
    a->name = g_strdup(atk_text_attribute_get_name(which));
    a->value = g_strdup(value.c_str());
    return g_slist_append(set, a);
}
std::string ColourValue(uint32_t colour) {
    const unsigned r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return std::to_string(r * 257) + "," + std::to_string(g * 257) + "," + std::to_string(b * 257);
}
std::optional<TextLook> LookOf(gpointer p) {
    StolvaneAtkObject* o = Self(p);
    if (!o->ref || !o->bridge) return std::nullopt;
    return TextLookOf(o->bridge->rt, *o->ref);
}
AtkAttributeSet* DefaultAttributes(AtkText* t) {
    std::optional<TextLook> look = LookOf(t);
    if (!look) return nullptr;
    const Font& f = look->font;
    char size[32];
    g_ascii_formatd(size, sizeof size, "%g", std::isfinite(f.size) && f.size > 0 ? f.size : 8.25);
    AtkAttributeSet* set = nullptr;
    set = WithAttribute(set, ATK_TEXT_ATTR_FAMILY_NAME, f.name.empty() ? std::string("MS Sans Serif") : f.name);
    set = WithAttribute(set, ATK_TEXT_ATTR_SIZE, size);
    const int weight = f.bold ? std::max<int>(f.weight, 700) : (f.weight > 0 ? f.weight : 400);
    set = WithAttribute(set, ATK_TEXT_ATTR_WEIGHT, std::to_string(std::clamp(weight, 100, 1000)));
    set = WithAttribute(set, ATK_TEXT_ATTR_STYLE, f.italic ? "italic" : "normal");
    set = WithAttribute(set, ATK_TEXT_ATTR_UNDERLINE, f.underline ? "single" : "none");
    set = WithAttribute(set, ATK_TEXT_ATTR_STRIKETHROUGH, f.strikethrough ? "true" : "false");
    set = WithAttribute(set, ATK_TEXT_ATTR_FG_COLOR, ColourValue(look->fore));
    if (look->back) set = WithAttribute(set, ATK_TEXT_ATTR_BG_COLOR, ColourValue(*look->back));
    return set;
}
// What is set at the offset beyond the defaults (the underline of a label's access key), and
// the run around it where that stays the same.
AtkAttributeSet* RunAttributes(AtkText* t, gint offset, gint* start, gint* end) {
    const gint count = CharacterCount(t);
    *start = 0;
    *end = count;
    std::optional<TextLook> look = LookOf(t);
    if (!look || offset < 0 || offset >= count) return nullptr;
    for (const TextSpan& u : look->underlined) {
        if (offset >= u.start && offset < u.end) {
            *start = u.start;
            *end = u.end;
            return WithAttribute(nullptr, ATK_TEXT_ATTR_UNDERLINE, "single");
        }
        if (u.end <= offset) *start = std::max(*start, u.end);
        if (u.start > offset) *end = std::min(*end, u.start);
    }
    return nullptr;
}
TextBox* BoxOf(gpointer p) {
    StolvaneAtkObject* o = Self(p);
    if (!o->ref || !o->ref->element) return nullptr;
    return dynamic_cast<TextBox*>(o->ref->element);
}
gboolean SetCaret(AtkText* t, gint offset) {
    TextBox* box = BoxOf(t);
    if (!box) return FALSE;
    box->SetSelStart(offset);
    return TRUE;
}
gboolean SetSelection(AtkText* t, gint num, gint start, gint end) {
    TextBox* box = BoxOf(t);
    if (!box || num != 0 || end < start) return FALSE;
    box->SetSelStart(start);
    box->SetSelLength(end - start);
    return TRUE;
}
void InitText(gpointer iface, gpointer) {
    auto* i = static_cast<AtkTextIface*>(iface);
    i->get_text = GetText;
    i->get_character_count = CharacterCount;
    i->get_character_at_offset = CharacterAt;
    i->get_caret_offset = CaretOffset;
    i->get_n_selections = SelectionCount;
    i->get_selection = Selection;
    i->get_text_at_offset = TextAt;
    i->get_text_before_offset = TextBefore;
    i->get_text_after_offset = TextAfter;
    i->get_string_at_offset = StringAt;
    i->get_character_extents = CharacterExtents;
    i->get_run_attributes = RunAttributes;
    i->get_default_attributes = DefaultAttributes;
    i->set_caret_offset = SetCaret;
    i->set_selection = SetSelection;
}

// ---- Editable text: edits as code makes them (raising Change), within the box's limits.
void Guarded(gpointer p, const std::function<void(TextBox&)>& edit) {
    TextBox* box = BoxOf(p);
    StolvaneAtkObject* o = Self(p);
    if (!box || !box->Enabled() || box->Locked()) return;
    try {
        edit(*box);
    } catch (const HostError& e) {
        o->bridge->rt.ReportError(e);
    }
}
void SetTextContents(AtkEditableText* t, const gchar* s) {
    Guarded(t, [&](TextBox& box) { box.SetText(s ? s : ""); });
}
void InsertText(AtkEditableText* t, const gchar* s, gint length, gint* position) {
    Guarded(t, [&](TextBox& box) {
        std::string text = length < 0 ? std::string(s) : std::string(s, static_cast<size_t>(length));
        box.SetSelStart(*position);
        box.SetSelLength(0);
        box.SetSelText(text);
        *position = box.SelStart();
    });
}
void DeleteText(AtkEditableText* t, gint start, gint end) {
    Guarded(t, [&](TextBox& box) {
        if (end < start) return;
        box.SetSelStart(start);
        box.SetSelLength(end - start);
        box.SetSelText("");
    });
}
void InitEditable(gpointer iface, gpointer) {
    auto* i = static_cast<AtkEditableTextIface*>(iface);
    i->set_text_contents = SetTextContents;
    i->insert_text = InsertText;
    i->delete_text = DeleteText;
}

// ---- Relations: a label and the control it names.
AtkRelationSet* RefRelationSet(AtkObject* a) {
    AtkRelationSet* set = atk_relation_set_new();
    StolvaneAtkObject* o = Self(a);
    auto n = NodeOf(a);
    if (!n) return set;
    auto add = [&](const std::optional<AccessibleRef>& r, AtkRelationType type) {
        if (!r) return;
        if (AtkObject* target = o->bridge->ObjectFor(*r)) atk_relation_set_add_relation_by_type(set, type, target);
    };
    add(n->labelFor, ATK_RELATION_LABEL_FOR);
    add(n->labelledBy, ATK_RELATION_LABELLED_BY);
    return set;
}

void InitWindow(gpointer, gpointer) {}

void ClassInit(gpointer klass, gpointer) {
    AtkObjectClass* a = ATK_OBJECT_CLASS(klass);
    a->get_name = GetName;
    a->get_description = GetDescription;
    a->get_role = GetRole;
    a->get_n_children = GetNChildren;
    a->ref_child = RefChild;
    a->get_index_in_parent = GetIndexInParent;
    a->ref_state_set = RefStateSet;
    a->get_attributes = GetAttributes;
    a->ref_relation_set = RefRelationSet;
}

void Finalize(GObject* g) {
    delete Self(g)->ref;
    Self(g)->ref = nullptr;
}

GType BaseType() {
    static GType type = [] {
        GTypeInfo info{};
        info.class_size = sizeof(StolvaneAtkObjectClass);
        info.class_init = [](gpointer klass, gpointer data) {
            ClassInit(klass, data);
            G_OBJECT_CLASS(klass)->finalize = [](GObject* g) {
                Finalize(g);
                G_OBJECT_CLASS(g_type_class_peek(ATK_TYPE_OBJECT))->finalize(g);
            };
        };
        info.instance_size = sizeof(StolvaneAtkObject);
        GType t = g_type_register_static(ATK_TYPE_OBJECT, "StolvaneAccessible", &info, GTypeFlags(0));
        GInterfaceInfo component{InitComponent, nullptr, nullptr};
        g_type_add_interface_static(t, ATK_TYPE_COMPONENT, &component);
        return t;
    }();
    return type;
}

// A type for each set of interfaces an object offers.
GType TypeFor(unsigned interfaces) {
    static std::map<unsigned, GType> types;
    if (interfaces == 0) return BaseType();
    if (auto it = types.find(interfaces); it != types.end()) return it->second;
    GTypeInfo info{};
    info.class_size = sizeof(StolvaneAtkObjectClass);
    info.instance_size = sizeof(StolvaneAtkObject);
    std::string name = "StolvaneAccessible" + std::to_string(interfaces);
    GType t = g_type_register_static(BaseType(), name.c_str(), &info, GTypeFlags(0));
    auto add = [&](unsigned bit, GType iface, GInterfaceInitFunc init) {
        if (!(interfaces & bit)) return;
        GInterfaceInfo i{init, nullptr, nullptr};
        g_type_add_interface_static(t, iface, &i);
    };
    add(kAction, ATK_TYPE_ACTION, InitAction);
    add(kValue, ATK_TYPE_VALUE, InitValue);
    add(kText, ATK_TYPE_TEXT, InitText);
    add(kEditable, ATK_TYPE_EDITABLE_TEXT, InitEditable);
    add(kWindow, ATK_TYPE_WINDOW, InitWindow);
    types[interfaces] = t;
    return t;
}

unsigned InterfacesOf(const AccessibleNode& n) {
    unsigned i = 0;
    if (!n.actions.empty()) i |= kAction;
    if (n.value || n.role == AccessibleRole::ProgressBar) i |= kValue;
    if (n.text) i |= kText;
    if (n.role == AccessibleRole::Text) i |= kText | kEditable;
    // Windows of their own: forms, and the popups (menus, tooltips) shown in windows.
    if (n.role == AccessibleRole::Frame || n.role == AccessibleRole::Dialog ||
        (!n.ref.element && (n.role == AccessibleRole::Menu || n.role == AccessibleRole::ToolTip)))
        i |= kWindow;
    return i;
}

// ---- The toolkit's side of ATK: the root, and the global event listeners the bridge adds,
// carried by emission hooks on the signals they name ("Atk:AtkObject:state-change",
// "window:activate").
struct Listener {
    guint signal = 0;
    gulong hook = 0;
};
std::map<guint, Listener> g_listeners;
guint g_lastListener = 0;

guint AddGlobalListener(GSignalEmissionHook listener, const gchar* eventType) {
    gchar** parts = g_strsplit(eventType, ":", 3);
    GType type = 0;
    const gchar* signal = nullptr;
    if (parts[0] && g_strcmp0(parts[0], "window") == 0 && parts[1]) {
        type = ATK_TYPE_WINDOW;
        signal = parts[1];
    } else if (parts[0] && parts[1] && parts[2]) {
        type = g_type_from_name(parts[1]);
        signal = parts[2];
    }
    guint id = 0;
    if (type && signal) {
        if (G_TYPE_IS_INTERFACE(type)) g_type_default_interface_ref(type);
        else g_type_class_ref(type);
        guint signalId = g_signal_lookup(signal, type);
        if (signalId) {
            gulong hook = g_signal_add_emission_hook(signalId, 0, listener, g_strdup(eventType), g_free);
            id = ++g_lastListener;
            g_listeners[id] = {signalId, hook};
        }
    }
    g_strfreev(parts);
    return id;
}
void RemoveGlobalListener(guint id) {
    auto it = g_listeners.find(id);
    if (it == g_listeners.end()) return;
    g_signal_remove_emission_hook(it->second.signal, it->second.hook);
    g_listeners.erase(it);
}
AtkObject* Root() { return g_bridge ? g_bridge->root : nullptr; }
const gchar* ToolkitName() { return "STolvane"; }
const gchar* ToolkitVersion() { return kLibraryVersion; }

void InstallToolkit() {
    static bool done = false;
    if (done) return;
    done = true;
    auto* util = static_cast<AtkUtilClass*>(g_type_class_ref(ATK_TYPE_UTIL));
    util->add_global_event_listener = AddGlobalListener;
    util->remove_global_event_listener = RemoveGlobalListener;
    util->get_root = Root;
    util->get_toolkit_name = ToolkitName;
    util->get_toolkit_version = ToolkitVersion;
}

AtkObject* NewObject(AccessibilityBridge::Impl* bridge, const AccessibleRef* ref, unsigned interfaces, bool root) {
    auto* o = static_cast<StolvaneAtkObject*>(g_object_new(TypeFor(interfaces), nullptr));
    o->bridge = bridge;
    o->ref = ref ? new AccessibleRef(*ref) : nullptr;
    o->root = root;
    AtkObject* a = ATK_OBJECT(o);
    atk_object_initialize(a, nullptr);
    a->role = root ? ATK_ROLE_APPLICATION : ATK_ROLE_UNKNOWN;
    return a;
}

}  // namespace

AtkObject* AccessibilityBridge::Impl::ObjectFor(const AccessibleRef& r) {
    auto key = KeyOf(r);
    if (auto it = objects.find(key); it != objects.end()) return it->second.object;
    AccessibleNode n = Describe(r);
    const unsigned interfaces = InterfacesOf(n);
    AtkObject* a = NewObject(this, &r, interfaces, false);
    AccessibleRef parent = ParentOf(r);
    AtkObject* parentObject = parent.surface ? ObjectFor(parent) : root;
    atk_object_set_parent(a, parentObject);
    Seen& seen = objects[key];
    seen.object = a;
    seen.interfaces = interfaces;
    seen.node = std::move(n);
    return a;
}

// A client learns which interfaces an object has once, when it first meets it, and ATK fixes
// them with the object's type. An object that comes to need others (a panel that becomes a
// progress bar and has a value, a text box a label comes to name and that gains the label's
// action) or loses some is therefore made anew: the old one goes (defunct) and the new one
// takes its place among its parent's children, holding the old one's children.
void AccessibilityBridge::Impl::Renew(const std::tuple<const void*, const void*, int>& key) {
    auto it = objects.find(key);
    if (it == objects.end() || !Self(it->second.object)->ref) return;
    AtkObject* old = it->second.object;
    const AccessibleRef r = *Self(old)->ref;
    const bool hadFocus = focused == r;
    const AccessibleRef parent = ParentOf(r);
    AtkObject* parentObject = parent.surface ? ObjectFor(parent) : root;
    const std::vector<AccessibleRef> siblings = Children(parent.surface ? &parent : nullptr);
    const auto index = static_cast<guint>(std::find(siblings.begin(), siblings.end(), r) - siblings.begin());
    g_object_ref(old);
    g_signal_emit_by_name(parentObject, "children-changed::remove", index, old);
    Forget(key);
    g_object_unref(old);
    AtkObject* a = ObjectFor(r);
    for (auto& [childKey, seen] : objects) {
        StolvaneAtkObject* c = Self(seen.object);
        if (c->ref && seen.object != a && ParentOf(*c->ref) == r) atk_object_set_parent(seen.object, a);
    }
    Seen& seen = objects[key];
    for (auto& c : AccessibleChildren(rt, r, Popup(r))) seen.children.push_back(ChildKey(c));
    seen.childrenKnown = true;
    g_signal_emit_by_name(parentObject, "children-changed::add", index, a);
    if (hadFocus && seen.node.states.focused) atk_object_notify_state_change(a, ATK_STATE_FOCUSED, TRUE);
}

void AccessibilityBridge::Impl::Forget(const std::tuple<const void*, const void*, int>& key) {
    auto it = objects.find(key);
    if (it == objects.end()) return;
    AtkObject* a = it->second.object;
    objects.erase(it);
    StolvaneAtkObject* o = Self(a);
    delete o->ref;
    o->ref = nullptr;
    atk_object_notify_state_change(a, ATK_STATE_DEFUNCT, TRUE);
    g_object_unref(a);
}

namespace {

// What an edit did to a text: at which character the two differ, what went and what came.
struct TextChange {
    gint at = 0;
    std::string removed, inserted;
};
TextChange Difference(const std::string& before, const std::string& after) {
    // Whole UTF-8 characters in common at the start, then at the end (not reaching back past
    // the start's).
    size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    while (head > 0 && (static_cast<unsigned char>(before[head]) & 0xC0) == 0x80) --head;
    size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    while (tail > 0 && (static_cast<unsigned char>(before[before.size() - tail]) & 0xC0) == 0x80) --tail;
    TextChange d;
    d.at = static_cast<gint>(g_utf8_strlen(before.c_str(), static_cast<gssize>(head)));
    d.removed = before.substr(head, before.size() - head - tail);
    d.inserted = after.substr(head, after.size() - head - tail);
    return d;
}

}  // namespace

// Compares what clients have seen with the model now and tells them what changed.
void AccessibilityBridge::Impl::Sync() {
    // The forms shown: windows come and go, one is active.
    std::vector<Form*> forms = Forms();
    std::vector<const Form*> now(forms.begin(), forms.end());
    if (now != shownForms) {
        for (size_t i = 0; i < shownForms.size(); ++i)
            if (std::find(now.begin(), now.end(), shownForms[i]) == now.end()) {
                auto key = KeyOf({const_cast<Form*>(shownForms[i]), nullptr, -1});
                if (auto it = objects.find(key); it != objects.end()) {
                    g_signal_emit_by_name(root, "children-changed::remove", static_cast<guint>(i), it->second.object);
                    if (ATK_IS_WINDOW(it->second.object)) g_signal_emit_by_name(it->second.object, "destroy");
                }
            }
        for (size_t i = 0; i < now.size(); ++i)
            if (std::find(shownForms.begin(), shownForms.end(), now[i]) == shownForms.end()) {
                AtkObject* a = ObjectFor({forms[i], nullptr, -1});
                g_signal_emit_by_name(root, "children-changed::add", static_cast<guint>(i), a);
                if (ATK_IS_WINDOW(a)) g_signal_emit_by_name(a, "create");
            }
        shownForms = now;
    }
    Form* active = rt.ActiveForm();
    if (active && std::find(now.begin(), now.end(), active) == now.end()) active = nullptr;
    if (active != activeForm) {
        if (activeForm) {
            auto key = KeyOf({const_cast<Form*>(activeForm), nullptr, -1});
            if (auto it = objects.find(key); it != objects.end() && ATK_IS_WINDOW(it->second.object))
                g_signal_emit_by_name(it->second.object, "deactivate");
        }
        if (active && ATK_IS_WINDOW(ObjectFor({active, nullptr, -1})))
            g_signal_emit_by_name(ObjectFor({active, nullptr, -1}), "activate");
        activeForm = active;
    }

    // Objects gone with their controls or elements: what a walk of the shown forms no longer finds.
    if (!objects.empty()) {
        std::set<std::tuple<const void*, const void*, int>> live;
        std::function<void(const AccessibleRef&)> walk = [&](const AccessibleRef& r) {
            live.insert(KeyOf(r));
            for (auto& c : AccessibleChildren(rt, r, Popup(r))) walk(c);
        };
        for (Form* f : forms) walk({f, nullptr, -1});
        std::vector<std::tuple<const void*, const void*, int>> gone;
        for (auto& [key, seen] : objects)
            if (!live.count(key)) gone.push_back(key);
        for (auto& key : gone) Forget(key);
    }

    // The focus: the object that has it now, made if need be, so that a reader follows it.
    AccessibleRef focus;
    if (TextBox* box = rt.FocusedTextBox()) focus = {box->Owner(), box, -1};
    else if (ListBox* list = rt.FocusedListBox()) focus = {list->Owner(), list, -1};
    else if (Surface* s = rt.Focused()) focus = {s, nullptr, -1};
    if (focus.surface && FormOf(focus) && std::find(now.begin(), now.end(), FormOf(focus)) == now.end()) focus = {};
    // While a menu is up, the item it highlights has the focus.
    for (Form* f : forms) {
        const AccessiblePopup* p = hooks.popups ? hooks.popups(*f) : nullptr;
        if (p && p->role == AccessibleRole::Menu && p->highlighted >= 0 &&
            static_cast<size_t>(p->highlighted) < p->rows.size())
            focus = {f, p->rows[static_cast<size_t>(p->highlighted)].label, -1};
    }
    const bool focusMoved = !(focus == focused);
    if (focusMoved && focus.surface) ObjectFor(focus);

    std::vector<std::tuple<const void*, const void*, int>> renewed;
    for (auto& [key, seen] : objects) {
        StolvaneAtkObject* o = Self(seen.object);
        if (!o->ref) continue;
        AccessibleNode n = Describe(*o->ref);
        if (InterfacesOf(n) != seen.interfaces) {
            renewed.push_back(key);
            continue;
        }
        AtkObject* a = seen.object;
        const AccessibleNode& was = seen.node;
        if (n.name != was.name) g_object_notify(G_OBJECT(a), "accessible-name");
        if (n.description != was.description) g_object_notify(G_OBJECT(a), "accessible-description");
        if (n.role != was.role) g_object_notify(G_OBJECT(a), "accessible-role");
        auto state = [&](bool now, bool before, AtkStateType t) {
            if (now != before) atk_object_notify_state_change(a, t, now);
        };
        state(n.states.checked, was.states.checked, ATK_STATE_CHECKED);
        state(n.states.pressed, was.states.pressed, ATK_STATE_PRESSED);
        state(n.states.enabled, was.states.enabled, ATK_STATE_ENABLED);
        state(n.states.enabled, was.states.enabled, ATK_STATE_SENSITIVE);
        state(n.states.visible, was.states.visible, ATK_STATE_VISIBLE);
        state(n.states.showing, was.states.showing, ATK_STATE_SHOWING);
        state(n.states.selected, was.states.selected, ATK_STATE_SELECTED);
        state(n.states.editable, was.states.editable, ATK_STATE_EDITABLE);
        state(n.states.active, was.states.active, ATK_STATE_ACTIVE);
        if (n.states.focused != was.states.focused && !n.states.focused)
            atk_object_notify_state_change(a, ATK_STATE_FOCUSED, FALSE);
        if (n.value != was.value && ATK_IS_VALUE(a)) {
            g_object_notify(G_OBJECT(a), "accessible-value");
            g_signal_emit_by_name(a, "value-changed", n.value.value_or(0), nullptr);
        }
        if (n.text != was.text && ATK_IS_TEXT(a)) {
            // Only what changed between the common start and the common end: a reader echoes
            // the characters typed, not the whole text again.
            TextChange d = Difference(was.text.value_or(""), n.text.value_or(""));
            if (!d.removed.empty())
                g_signal_emit_by_name(a, "text-remove", d.at, static_cast<gint>(g_utf8_strlen(d.removed.c_str(), -1)),
                                      d.removed.c_str());
            if (!d.inserted.empty())
                g_signal_emit_by_name(a, "text-insert", d.at, static_cast<gint>(g_utf8_strlen(d.inserted.c_str(), -1)),
                                      d.inserted.c_str());
        }
        if (n.caret != was.caret && ATK_IS_TEXT(a) && n.caret >= 0) g_signal_emit_by_name(a, "text-caret-moved", n.caret);
        // Children that came or went, for the objects whose children a client has seen.
        std::vector<AccessibleRef> children = AccessibleChildren(rt, *o->ref, Popup(*o->ref));
        std::vector<const void*> keys;
        for (auto& c : children) keys.push_back(ChildKey(c));
        if (seen.childrenKnown && keys != seen.children) {
            for (size_t i = 0; i < children.size(); ++i)
                if (std::find(seen.children.begin(), seen.children.end(), keys[i]) == seen.children.end())
                    g_signal_emit_by_name(a, "children-changed::add", static_cast<guint>(i), ObjectFor(children[i]));
        }
        seen.children = std::move(keys);
        seen.childrenKnown = true;
        seen.node = std::move(n);
    }
    for (auto& key : renewed) Renew(key);
    if (focusMoved) {
        focused = focus;
        if (focus.surface) {
            AtkObject* a = ObjectFor(focus);
            objects[KeyOf(focus)].node.states.focused = true;
            atk_object_notify_state_change(a, ATK_STATE_FOCUSED, TRUE);
        }
    }
}

// ---------------------------------------------------------------- the loop

void AccessibilityBridge::Impl::Arm() {
    std::lock_guard<std::mutex> hold(lock);
    watched.clear();
    watched.push_back({cancel, POLLIN, 0});
    for (auto& f : fds) watched.push_back({f.fd, static_cast<short>(f.events), 0});
    watching = true;
    armed.notify_all();
}

void AccessibilityBridge::Impl::Disarm() {
    std::unique_lock<std::mutex> hold(lock);
    if (!watching) return;
    uint64_t one = 1;
    if (::write(cancel, &one, sizeof one) < 0) {
    }
    armed.wait(hold, [&] { return !watching; });
    uint64_t drained = 0;
    if (::read(cancel, &drained, sizeof drained) < 0) {
    }
}

AccessibilityBridge::AccessibilityBridge(Runtime& runtime, Hooks hooks)
    : m_impl(std::make_unique<Impl>(runtime, std::move(hooks))) {
    Impl& b = *m_impl;
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* atBus = std::getenv("AT_SPI_BUS_ADDRESS");
    if (!runtime.Accessibility() || g_bridge || ((!bus || !*bus) && (!atBus || !*atBus))) return;
    // The bridge finds no bus without a session bus; it would then print warnings and stay idle.
    // Without the bridge installed there is nobody to speak to the bus: the forms stay off it.
    const BridgeLibrary* bridge = Bridge();
    if (!bridge) return;
    g_bridge = &b;
    InstallToolkit();
    b.root = NewObject(&b, nullptr, 0, true);
    if (bridge->init(nullptr, nullptr) != 0) {
        g_object_unref(b.root);
        b.root = nullptr;
        g_bridge = nullptr;
        return;
    }
    b.context = g_main_context_default();
    b.cancel = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    b.active = b.cancel >= 0;
    if (!b.active) return;
    b.watcher = std::thread([&b] {
        std::unique_lock<std::mutex> hold(b.lock);
        for (;;) {
            b.armed.wait(hold, [&] { return b.watching || b.stopping; });
            if (b.stopping) return;
            std::vector<pollfd> fds = b.watched;
            hold.unlock();
            while (::poll(fds.data(), fds.size(), -1) < 0 && errno == EINTR) {
            }
            const bool cancelled = fds[0].revents != 0;
            if (!cancelled && b.hooks.wake) b.hooks.wake();
            hold.lock();
            b.watching = false;
            b.armed.notify_all();
        }
    });
}

AccessibilityBridge::AccessibilityBridge(Runtime& runtime, Hooks hooks, Detached)
    : m_impl(std::make_unique<Impl>(runtime, std::move(hooks))) {
    Impl& b = *m_impl;
    if (g_bridge) return;
    g_bridge = &b;
    InstallToolkit();
    b.root = NewObject(&b, nullptr, 0, true);
    b.active = b.detached = true;
}

AccessibilityBridge::~AccessibilityBridge() {
    Impl& b = *m_impl;
    if (b.watcher.joinable()) {
        b.Disarm();
        {
            std::lock_guard<std::mutex> hold(b.lock);
            b.stopping = true;
            b.armed.notify_all();
        }
        b.watcher.join();
    }
    if (b.cancel >= 0) ::close(b.cancel);
    if (g_bridge == &b) {
        std::vector<std::tuple<const void*, const void*, int>> keys;
        for (auto& [key, seen] : b.objects) keys.push_back(key);
        for (auto& key : keys) b.Forget(key);
        if (!b.detached) Bridge()->cleanup();
        if (b.root) g_object_unref(b.root);
        g_bridge = nullptr;
    }
}

bool AccessibilityBridge::Active() const { return m_impl->active; }

void* AccessibilityBridge::Object(const AccessibleRef& ref) {
    Impl& b = *m_impl;
    if (!b.active) return nullptr;
    return ref.surface ? b.ObjectFor(ref) : b.root;
}

void AccessibilityBridge::Update() {
    if (m_impl->active) m_impl->Sync();
}

int AccessibilityBridge::Prepare(int timeoutMs) {
    Impl& b = *m_impl;
    if (!b.active || b.detached) return timeoutMs;
    b.Disarm();
    b.Sync();
    // Once for each Dispatch that follows: a loop nested in a dispatch (an edit's handler that
    // shows a message box) takes and gives back its own hold on the context.
    b.acquired = g_main_context_acquire(b.context);
    if (!b.acquired) return timeoutMs;
    g_main_context_prepare(b.context, &b.maxPriority);
    gint wait = -1;
    if (b.fds.size() < 8) b.fds.resize(8);
    for (;;) {
        gint n = g_main_context_query(b.context, b.maxPriority, &wait, b.fds.data(), static_cast<gint>(b.fds.size()));
        if (static_cast<size_t>(n) <= b.fds.size()) {
            b.fds.resize(static_cast<size_t>(n));
            break;
        }
        b.fds.resize(static_cast<size_t>(n));
    }
    b.Arm();
    if (wait < 0) return timeoutMs;
    return timeoutMs < 0 ? wait : std::min(timeoutMs, static_cast<int>(wait));
}

void AccessibilityBridge::Dispatch() {
    Impl& b = *m_impl;
    if (!b.active || b.detached || !b.acquired) return;
    b.Disarm();
    std::vector<pollfd> ready;
    for (auto& f : b.fds) ready.push_back({f.fd, static_cast<short>(f.events), 0});
    if (!ready.empty()) ::poll(ready.data(), ready.size(), 0);
    for (size_t i = 0; i < b.fds.size(); ++i) b.fds[i].revents = static_cast<gushort>(ready[i].revents);
    if (g_main_context_check(b.context, b.maxPriority, b.fds.data(), static_cast<gint>(b.fds.size())))
        g_main_context_dispatch(b.context);
    g_main_context_release(b.context);
    b.acquired = false;
    b.fds.resize(8);
}

void AccessibilityBridge::FormDestroying(Form& form) {
    Impl& b = *m_impl;
    if (!b.active) return;
    std::vector<std::tuple<const void*, const void*, int>> gone;
    for (auto& [key, seen] : b.objects) {
        StolvaneAtkObject* o = Self(seen.object);
        if (o->ref && FormOf(*o->ref) == &form) gone.push_back(key);
    }
    for (auto& key : gone) b.Forget(key);
    b.shownForms.erase(std::remove(b.shownForms.begin(), b.shownForms.end(), &form), b.shownForms.end());
    if (b.activeForm == &form) b.activeForm = nullptr;
    if (FormOf(b.focused) == &form) b.focused = {};
}

}  // namespace stolvane
