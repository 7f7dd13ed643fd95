// SPDX-License-Identifier: MIT
// Owners of cairo's reference-counted objects, so that a context or a surface is released on
// every path out of the code that made it, a throw included.
#pragma once

#include <cairo.h>

#include <memory>

namespace stolvane {

struct CairoRelease {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using CairoContext = std::unique_ptr<cairo_t, CairoRelease>;
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoRelease>;

}  // namespace stolvane
