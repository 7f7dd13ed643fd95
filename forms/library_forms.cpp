#include "forms/library_forms.h"

namespace stolvane {

// The about box, the samples viewer and the known-problems list are added here as they are
// built; until then the runtime knows no library form.
void RegisterLibraryForms(Library&) {}

}  // namespace stolvane
