// SPDX-License-Identifier: MIT
// The library's entry points: they hand the class table and the library's own forms to the
// runtime, which does the registering, creating and loading.
#include "controls/about/tolvaneabout_1.h"
#include "controls/about/tolvaneabout_2.h"
#include "controls/button/tolvanebutton.h"
#include "controls/caption/tolvanecaption.h"
#include "controls/label/tolvanelabel.h"
#include "controls/panel/tolvanepanel.h"
#include "controls/tick/tolvanetick.h"
#include "core/library.h"
#include "core/resources.h"
#include "forms/library_forms.h"
#include "host/runtime.h"

namespace stolvane {

Library& StolvaneLibrary() {
    // A function-local static is initialised once, and other threads wait for it.
    static Library& registered = []() -> Library& {
        Library& lib = Library::Instance();
        lib.AddClass(TolvaneButton::Class());
        lib.AddClass(TolvanePanel::Class());
        lib.AddClass(TolvaneLabel::Class());
        lib.AddClass(TolvaneTick::Class());
        lib.AddClass(TolvaneAbout_1::Class());
        lib.AddClass(TolvaneAbout_2::Class());
        lib.AddClass(TolvaneCaption::Class());
        RegisterLibraryForms(lib);
        lib.SetResources(resources::Get);
        return lib;
    }();
    return registered;
}

// `Runtime rt;` for applications of this library: a runtime given this library's classes and
// forms. It is defined here, with the library, so that the runtime links without them.
Runtime::Runtime() : Runtime(StolvaneLibrary()) {}

void DllRegisterServer() { StolvaneLibrary(); }

// The classes stay known for the life of the process: a runtime may still be using them.
void DllUnregisterServer() {}

const ClassInfo* DllGetClassObject(const std::string& className) { return StolvaneLibrary().FindClass(className); }

// The library keeps no state that outlives its controls; the runtime may always unload it.
bool DllCanUnloadNow() { return true; }

}  // namespace stolvane
