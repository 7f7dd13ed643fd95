// SPDX-License-Identifier: MIT
// Form files: JSON documents holding a form's settings and its controls, each control's
// properties being exactly its property bag. Reading validates the whole file before anything
// is created, so a bad file loads nothing; saving writes a temporary file and renames it.
#pragma once

#include <stdexcept>
#include <string>

#include <stolvane/core/form.h>

namespace stolvane {

class Runtime;
class DesignSink;

// A form file that cannot be read: the message names the file, and where it applies the
// control and the key.
struct FormFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How a form loads. In design mode (Runtime::SetDesignMode) from its first control on: no
// property a control reads raises an event and no timer starts, and the sink hears its input.
struct FormLoadOptions {
    bool designMode = false;
    DesignSink* designSink = nullptr;
};

// Loads a form file; pictures are resolved relative to the file's folder.
Form& LoadFormFile(Runtime& runtime, const std::string& path, const FormLoadOptions& options = {});
// Loads a form from text; baseDir resolves relative picture paths, sourceName names it in errors.
Form& LoadFormText(Runtime& runtime, const std::string& text, const std::string& baseDir,
                   const std::string& sourceName, const FormLoadOptions& options = {});
// The text SaveFormFile writes for the form, pictures from files named relative to the folder
// the text is meant for (a designer's snapshots and clipboard use it). Throws FormFileError
// where the form cannot be written out; sourceName names it in the message.
std::string FormFileText(Runtime& runtime, Form& form, const std::string& folder, const std::string& sourceName);
// Writes the form atomically (temporary file, then rename). Pictures loaded from files are
// written as paths relative to the new file when possible, others embedded as data: URLs.
void SaveFormFile(Runtime& runtime, Form& form, const std::string& path);

}  // namespace stolvane
