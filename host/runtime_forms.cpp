// SPDX-License-Identifier: MIT
// Forms: creating, loading library forms, showing modeless and modal, hiding, unloading, and
// destroying unloaded forms once no handler is running any more.

#include "host/runtime.h"

#include <algorithm>

#include "host/form_file.h"
#include "host/limits.h"
#include "host/runtime_internal.h"

namespace stolvane {

Form& Runtime::NewForm(const std::string& name, double clientWidth, double clientHeight) {
    auto form = std::make_unique<Form>(*this, name);
    form->Move(0, 0, clientWidth, clientHeight);
    form->SetFont(DefaultFont());
    m_forms.push_back(std::move(form));
    return *m_forms.back();
}

bool Runtime::IsLoaded(const Form& form) const {
    bool present = std::any_of(m_forms.begin(), m_forms.end(), [&](auto& f) { return f.get() == &form; });
    bool dying = std::find(m_unloaded.begin(), m_unloaded.end(), &form) != m_unloaded.end();
    return present && !dying;
}

bool Runtime::IsShown(const Form& form) const {
    return std::find(m_shown.begin(), m_shown.end(), &form) != m_shown.end();
}

bool Runtime::IsModal(const Form& form) const {
    return std::find(m_modal.begin(), m_modal.end(), &form) != m_modal.end();
}

Form* Runtime::ActiveForm() {
    if (!m_modal.empty()) return m_modal.back();
    // A form being designed inside a designer that runs is never the active one: the
    // designer's own form is.
    for (Form* f : m_shown)
        if (!InDesignMode(*f)) return f;
    return m_shown.empty() ? nullptr : m_shown.front();
}

void Runtime::ShowSurfaceTree(Surface& s) {
    ForEachSurface(s, [&](Surface& x) {
        if (Control* c = x.GetControl()) Guard([&] { c->Show(); });
    });
}

void Runtime::ShowForm(Form& form) {
    if (IsShown(form)) return;
    m_shown.push_back(&form);
    if (m_observer) m_observer->OnFormShown(form, true);
    ShowSurfaceTree(form);
    // A form that opens as the active one gives the focus to its first control in tab order
    // that can take it, unless one of its controls already has it.
    if (m_focusOnShow && ActiveForm() == &form && !(m_focus && m_focus->OwningForm() == &form) &&
        !(m_textFocus && m_textFocus->Owner() && m_textFocus->Owner()->OwningForm() == &form) &&
        !(m_listFocus && m_listFocus->Owner() && m_listFocus->Owner()->OwningForm() == &form)) {
        std::vector<Target> order = TabOrder(form);
        if (!order.empty()) Guard([&] {
                if (order.front().element) FocusElement(*order.front().element);
                else SetFocus(*order.front().surface);
            });
    }
    MarkDirty(form, {0, 0, form.Width(), form.Height()});
}

Form& Runtime::LoadForm(const std::string& name) {
    const LibraryFormInfo* info = m_library.FindForm(name);
    if (!info) throw HostError(ErrorNumber::InvalidCall, "The library has no form named " + name);
    Form* form = nullptr;
    try {
        form = &LoadFormText(*this, info->design(), "", name);
    } catch (const FormFileError& e) {
        throw HostError(ErrorNumber::InvalidCall, e.what());
    }
    form->SetLibraryName(name);
    if (info->attach) info->attach(*form);
    if (form->onLoad) form->onLoad();
    return *form;
}

void Runtime::ShowModal(Form& form, Surface* owner) {
    // Each modal form is a loop nested in the one that opened it: past a depth the stack would
    // run out, so the form is refused instead.
    if (m_modal.size() >= static_cast<size_t>(limits::kMaxModalDepth))
        throw HostError(ErrorNumber::OutOfStackSpace, "Out of stack space: at most " +
                                                          std::to_string(limits::kMaxModalDepth) +
                                                          " modal forms can be open inside each other");
    Dispatch scope(*this);
    m_modal.push_back(&form);
    ShowForm(form);
    try {
        m_backend->RunModal(form, owner ? owner->OwningForm() : nullptr);
    } catch (...) {
        // No loop could run: the form is not left open as a modal form nobody answers.
        std::erase(m_modal, &form);
        HideForm(form);
        throw;
    }
    // The loop ends when the form was hidden or unloaded.
    auto it = std::find(m_modal.begin(), m_modal.end(), &form);
    if (it != m_modal.end()) m_modal.erase(it);
    if (IsShown(form)) HideForm(form);
}

void Runtime::HideForm(Form& form) {
    auto it = std::find(m_shown.begin(), m_shown.end(), &form);
    if (it == m_shown.end()) return;
    ForgetToolTip(form);
    m_shown.erase(it);
    if (m_observer) m_observer->OnFormShown(form, false);
}

void Runtime::UnloadForm(Form& form) {
    if (!IsLoaded(form)) return;
    HideForm(form);
    if (form.onUnload) Guard([&] { form.onUnload(); });
    ForEachSurface(form, [&](Surface& s) { ForgetSurface(s); });
    m_unloaded.push_back(&form);
    if (m_depth == 0) CollectGarbage();
}

void Runtime::DestroyForm(Form& form) { UnloadForm(form); }

bool Runtime::CloseForm(Form& form) {
    if (!IsLoaded(form)) return true;
    Dispatch scope(*this);
    bool keep = false;
    if (form.onQueryUnload) Guard([&] { keep = !form.onQueryUnload(); });
    if (keep || !IsLoaded(form)) return !IsLoaded(form);
    UnloadForm(form);
    return true;
}

void Runtime::ForgetSurface(Surface& s) {
    ++m_changes;
    if (m_tip.form && static_cast<Surface*>(m_tip.form) == &s) ForgetToolTip(*m_tip.form);
    if (m_capture == &s) m_capture = nullptr;
    if (m_focus == &s) m_focus = nullptr;
    if (m_listFocus && m_listFocus->Owner() == &s) m_listFocus = nullptr;
    if (m_textFocus && m_textFocus->Owner() == &s) {
        m_textFocus = nullptr;
        DropTimer(&m_caretTimer);
        m_textDrag = false;
        m_backend->StopTextInput();
    }
    if (m_press.surface == &s) m_press = {};
    m_designRoots.erase(&s);
    for (auto& e : s.Elements())
        if (e->Kind() == ElementKind::Timer) DropTimer(static_cast<Timer*>(e.get()));
}

void Runtime::CollectGarbage() {
    if (m_depth > 0 || m_unloaded.empty()) return;
    auto dead = std::move(m_unloaded);
    m_unloaded.clear();
    for (Form* f : dead) {
        // Whatever a backend holds of the form (a window, a frame) goes first.
        m_backend->FormDestroying(*f);
        // A handler still running when the form was unloaded may have taken the capture or the
        // focus, or started a timer, since: forget them again before the objects go.
        ForEachSurface(*f, [&](Surface& s) { ForgetSurface(s); });
        m_dirty.erase(f);
        std::erase(m_modal, f);
        std::erase(m_shown, f);
        auto it = std::find_if(m_forms.begin(), m_forms.end(), [&](auto& p) { return p.get() == f; });
        if (it != m_forms.end()) {
            std::unique_ptr<Form> keep = std::move(*it);
            m_forms.erase(it);
        }
    }
}

}  // namespace stolvane
