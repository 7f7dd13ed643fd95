// SPDX-License-Identifier: MIT
// The form under design: a real form of the runtime, loaded and kept in design mode and shown
// (its controls receive Show), so that they lay out and draw exactly as `stolvane run` will
// show them. It is new, opened
// from a form file, saved through the atomic writer, turned into form-file text and loaded
// again from such text (which replaces the form object: ask GetForm() again afterwards).
#pragma once

#include <string>

#include "host/form_file.h"
#include "host/runtime.h"

namespace stolvane {

class FormDocument {
public:
    // The sink hears the input that lands on the form (the designer's mouse and keys).
    explicit FormDocument(Runtime& runtime, DesignSink* sink = nullptr);
    ~FormDocument();
    FormDocument(const FormDocument&) = delete;
    FormDocument& operator=(const FormDocument&) = delete;

    Runtime& GetRuntime() const { return m_rt; }
    Form& GetForm() const { return *m_form; }
    // The file it was opened from or last saved to; empty for a new form.
    const std::string& Path() const { return m_path; }

    // A new empty form named Form1, captioned so, with a client area of 4800 x 3600 twips.
    void New();
    // Opens a form file; a file that cannot be read throws FormFileError and leaves the
    // document as it was.
    void Open(const std::string& path);
    // Saves atomically (a failure throws FormFileError and leaves the file as it was); the
    // document then belongs to that file.
    void Save(const std::string& path);
    // The form as form-file text (pictures from files named relative to the document's folder).
    std::string Text() const;
    // Loads the form again from such text, in place of the one there is.
    void Restore(const std::string& text);
    // The folder its pictures are named relative to: the file's, else the working folder.
    std::string Folder() const;
    // Counts the form objects it has held: it changes whenever GetForm() is another form.
    unsigned Generation() const { return m_generation; }

private:
    void Adopt(Form& form);

    Runtime& m_rt;
    DesignSink* m_sink;
    Form* m_form = nullptr;
    std::string m_path;
    unsigned m_generation = 0;
};

}  // namespace stolvane
