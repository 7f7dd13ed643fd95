// SPDX-License-Identifier: MIT
#include "designer/form_document.h"

#include <filesystem>

namespace stolvane {

namespace fs = std::filesystem;

FormDocument::FormDocument(Runtime& runtime, DesignSink* sink) : m_rt(runtime), m_sink(sink) { New(); }

FormDocument::~FormDocument() {
    if (m_form) m_rt.UnloadForm(*m_form);
}

void FormDocument::Adopt(Form& form) {
    if (m_form) m_rt.UnloadForm(*m_form);
    m_form = &form;
    ++m_generation;
    m_rt.SetDesignMode(form, true, m_sink);
    // Shown, as at run time: some controls draw their first state when they are shown.
    m_rt.ShowForm(form);
}

void FormDocument::New() {
    Form& form = m_rt.NewForm("Form1", 4800, 3600);
    form.SetCaption("Form1");
    Adopt(form);
    m_path.clear();
}

void FormDocument::Open(const std::string& path) {
    Form& form = LoadFormFile(m_rt, path, {true, m_sink});
    Adopt(form);
    m_path = path;
}

void FormDocument::Save(const std::string& path) {
    SaveFormFile(m_rt, *m_form, path);
    m_path = path;
}

std::string FormDocument::Folder() const {
    std::error_code ec;
    fs::path base = m_path.empty() ? fs::current_path(ec) : fs::absolute(fs::path(m_path), ec).parent_path();
    return base.lexically_normal().string();
}

std::string FormDocument::Text() const { return FormFileText(m_rt, *m_form, Folder(), m_form->Name()); }

void FormDocument::Restore(const std::string& text) {
    Form& form = LoadFormText(m_rt, text, Folder(), m_form->Name(), {true, m_sink});
    Adopt(form);
}

}  // namespace stolvane
