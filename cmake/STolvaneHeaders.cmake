# SPDX-License-Identifier: MIT
# The public headers: what an application or a control of its own includes. Only these are
# installed (under include/stolvane/) and mirrored into the build tree's include folder; the
# others (form-file JSON, the renderer's and the runtime's insides, media, the library forms'
# handlers, resources, name suggestions, file writing, the X11 and SDL helpers) stay inside the
# library. docs/headers.md explains the choice.
set(STOLVANE_PUBLIC_HEADERS
  core/accessible.h
  core/anchor.h
  core/bevel.h
  core/control.h
  core/convert.h
  core/element_grid.h
  core/element_members.h
  core/elements.h
  core/errors.h
  core/event.h
  core/font.h
  core/form.h
  core/host.h
  core/library.h
  core/mouse.h
  core/picture.h
  core/property.h
  core/routines.h
  core/surface.h
  core/text_box.h
  core/text_edit.h
  core/types.h
  core/units.h
  core/value.h
  controls/about/aboutbadge.h
  controls/about/tolvaneabout_1.h
  controls/about/tolvaneabout_2.h
  controls/button/tolvanebutton.h
  controls/caption/tolvanecaption.h
  controls/label/tolvanelabel.h
  controls/panel/tolvanepanel.h
  controls/tick/tolvanetick.h
  host/backend.h
  host/colour_source.h
  host/desktop.h
  host/form_file.h
  host/keys.h
  host/render.h
  host/runtime.h
  host/theme.h
  host/window.h)
