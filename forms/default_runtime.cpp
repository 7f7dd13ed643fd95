// `Runtime rt;` for applications of this library: a runtime given this library's own classes
// and forms. It lives with the library, not with the runtime, so that the runtime links
// without any of this library's controls.
#include "core/library.h"
#include "host/runtime.h"

namespace stolvane {

Runtime::Runtime() : Runtime(StolvaneLibrary()) {}

}  // namespace stolvane
