// SPDX-License-Identifier: MIT
#include "forms/library_forms.h"

#include "core/resources.h"
#include "forms/about/about.h"
#include "forms/samples/samples.h"
#include "forms/status/status.h"

namespace stolvane {

namespace {

// A form's design is its form file, compiled into the library.
std::function<std::string()> Design(const char* path) {
    return [path] { return std::string(resources::Get(path)); };
}

}  // namespace

void RegisterLibraryForms(Library& library) {
    library.AddForm({"frmAbout", Design("forms/about/frmAbout.json"), about::Attach});
    library.AddForm({"frmSamples", Design("forms/samples/frmSamples.json"), samples::Attach});
    library.AddForm({"frmStatus", Design("forms/status/frmStatus.json"), status::Attach});
}

}  // namespace stolvane
