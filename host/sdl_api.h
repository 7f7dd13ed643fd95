// SPDX-License-Identifier: MIT
// SDL, loaded when the first window needs it rather than when the library is. Rendering,
// scripts and descriptions never open a window, and SDL with what it pulls in (audio, Wayland,
// input and media libraries, about forty in all) would otherwise be loaded and relocated by
// every start of every program that links the library.
//
// The window code includes SDL's headers for their types and constants, then this header, which
// turns each SDL call it makes into a call through a pointer that sdl::Load fills from the
// library found at run time. Add a function to the list below before calling it there: a call
// not on the list is a link error, so nothing can reach SDL around the table.
#pragma once

#include <SDL.h>

// SDL_syswm.h would bring Xlib's macros (None, True, KeyPress ...) into every file of the window
// code; the one function of it the table holds is declared as that header declares it.
typedef struct SDL_SysWMinfo SDL_SysWMinfo;
extern "C" DECLSPEC SDL_bool SDLCALL SDL_GetWindowWMInfo(SDL_Window* window, SDL_SysWMinfo* info);

#include <string>

#define STOLVANE_SDL_FUNCTIONS(X) \
    X(SDL_ClearComposition) \
    X(SDL_ConvertPixels) \
    X(SDL_CreateColorCursor) \
    X(SDL_CreateRGBSurfaceWithFormatFrom) \
    X(SDL_CreateSystemCursor) \
    X(SDL_CreateWindow) \
    X(SDL_DestroyWindow) \
    X(SDL_EventState) \
    X(SDL_FillRect) \
    X(SDL_FreeCursor) \
    X(SDL_FreeSurface) \
    X(SDL_GetClipboardText) \
    X(SDL_GetCurrentVideoDriver) \
    X(SDL_GetDefaultCursor) \
    X(SDL_GetDisplayDPI) \
    X(SDL_GetDisplayUsableBounds) \
    X(SDL_GetError) \
    X(SDL_GetGlobalMouseState) \
    X(SDL_GetModState) \
    X(SDL_GetKeyboardFocus) \
    X(SDL_GetMouseState) \
    X(SDL_GetPrimarySelectionText) \
    X(SDL_GetTicks) \
    X(SDL_GetWindowDisplayIndex) \
    X(SDL_GetWindowFromID) \
    X(SDL_GetWindowID) \
    X(SDL_GetWindowPosition) \
    X(SDL_GetWindowSurface) \
    X(SDL_GetWindowWMInfo) \
    X(SDL_HideWindow) \
    X(SDL_Init) \
    X(SDL_InitSubSystem) \
    X(SDL_IsTextInputActive) \
    X(SDL_MapRGB) \
    X(SDL_MaximizeWindow) \
    X(SDL_MinimizeWindow) \
    X(SDL_PollEvent) \
    X(SDL_PushEvent) \
    X(SDL_QuitSubSystem) \
    X(SDL_RaiseWindow) \
    X(SDL_RegisterEvents) \
    X(SDL_ResetHint) \
    X(SDL_RestoreWindow) \
    X(SDL_SetClipboardText) \
    X(SDL_SetCursor) \
    X(SDL_SetHint) \
    X(SDL_SetPrimarySelectionText) \
    X(SDL_SetTextInputRect) \
    X(SDL_SetWindowIcon) \
    X(SDL_SetWindowInputFocus) \
    X(SDL_SetWindowMinimumSize) \
    X(SDL_SetWindowModalFor) \
    X(SDL_SetWindowPosition) \
    X(SDL_SetWindowSize) \
    X(SDL_ShowWindow) \
    X(SDL_StartTextInput) \
    X(SDL_UpdateWindowSurfaceRects) \
    X(SDL_WaitEventTimeout) \
    X(SDL_free)

namespace stolvane::sdl {

struct Api {
#define STOLVANE_SDL_POINTER(name) decltype(&::name) name = nullptr;
    STOLVANE_SDL_FUNCTIONS(STOLVANE_SDL_POINTER)
#undef STOLVANE_SDL_POINTER
};
extern Api api;

// Loads SDL once, on the first call, and fills the table. True when every function was found;
// otherwise false, with why in *error (the library missing, or too old for a function), and
// no SDL call may be made.
bool Load(std::string* error = nullptr);

}  // namespace stolvane::sdl

// From here on the calls go through the table (except in the loader, which fills it).
#ifndef STOLVANE_SDL_LOADER
#define SDL_ClearComposition (::stolvane::sdl::api.SDL_ClearComposition)
#define SDL_ConvertPixels (::stolvane::sdl::api.SDL_ConvertPixels)
#define SDL_CreateColorCursor (::stolvane::sdl::api.SDL_CreateColorCursor)
#define SDL_CreateRGBSurfaceWithFormatFrom (::stolvane::sdl::api.SDL_CreateRGBSurfaceWithFormatFrom)
#define SDL_CreateSystemCursor (::stolvane::sdl::api.SDL_CreateSystemCursor)
#define SDL_CreateWindow (::stolvane::sdl::api.SDL_CreateWindow)
#define SDL_DestroyWindow (::stolvane::sdl::api.SDL_DestroyWindow)
#define SDL_EventState (::stolvane::sdl::api.SDL_EventState)
#define SDL_FillRect (::stolvane::sdl::api.SDL_FillRect)
#define SDL_FreeCursor (::stolvane::sdl::api.SDL_FreeCursor)
#define SDL_FreeSurface (::stolvane::sdl::api.SDL_FreeSurface)
#define SDL_GetClipboardText (::stolvane::sdl::api.SDL_GetClipboardText)
#define SDL_GetCurrentVideoDriver (::stolvane::sdl::api.SDL_GetCurrentVideoDriver)
#define SDL_GetDefaultCursor (::stolvane::sdl::api.SDL_GetDefaultCursor)
#define SDL_GetDisplayDPI (::stolvane::sdl::api.SDL_GetDisplayDPI)
#define SDL_GetDisplayUsableBounds (::stolvane::sdl::api.SDL_GetDisplayUsableBounds)
#define SDL_GetError (::stolvane::sdl::api.SDL_GetError)
#define SDL_GetGlobalMouseState (::stolvane::sdl::api.SDL_GetGlobalMouseState)
#define SDL_GetModState (::stolvane::sdl::api.SDL_GetModState)
#define SDL_GetKeyboardFocus (::stolvane::sdl::api.SDL_GetKeyboardFocus)
#define SDL_GetMouseState (::stolvane::sdl::api.SDL_GetMouseState)
#define SDL_GetPrimarySelectionText (::stolvane::sdl::api.SDL_GetPrimarySelectionText)
#define SDL_GetTicks (::stolvane::sdl::api.SDL_GetTicks)
#define SDL_GetWindowDisplayIndex (::stolvane::sdl::api.SDL_GetWindowDisplayIndex)
#define SDL_GetWindowFromID (::stolvane::sdl::api.SDL_GetWindowFromID)
#define SDL_GetWindowID (::stolvane::sdl::api.SDL_GetWindowID)
#define SDL_GetWindowPosition (::stolvane::sdl::api.SDL_GetWindowPosition)
#define SDL_GetWindowSurface (::stolvane::sdl::api.SDL_GetWindowSurface)
#define SDL_GetWindowWMInfo (::stolvane::sdl::api.SDL_GetWindowWMInfo)
#define SDL_HideWindow (::stolvane::sdl::api.SDL_HideWindow)
#define SDL_Init (::stolvane::sdl::api.SDL_Init)
#define SDL_InitSubSystem (::stolvane::sdl::api.SDL_InitSubSystem)
#define SDL_IsTextInputActive (::stolvane::sdl::api.SDL_IsTextInputActive)
#define SDL_MapRGB (::stolvane::sdl::api.SDL_MapRGB)
#define SDL_MaximizeWindow (::stolvane::sdl::api.SDL_MaximizeWindow)
#define SDL_MinimizeWindow (::stolvane::sdl::api.SDL_MinimizeWindow)
#define SDL_PollEvent (::stolvane::sdl::api.SDL_PollEvent)
#define SDL_PushEvent (::stolvane::sdl::api.SDL_PushEvent)
#define SDL_QuitSubSystem (::stolvane::sdl::api.SDL_QuitSubSystem)
#define SDL_RaiseWindow (::stolvane::sdl::api.SDL_RaiseWindow)
#define SDL_RegisterEvents (::stolvane::sdl::api.SDL_RegisterEvents)
#define SDL_ResetHint (::stolvane::sdl::api.SDL_ResetHint)
#define SDL_RestoreWindow (::stolvane::sdl::api.SDL_RestoreWindow)
#define SDL_SetClipboardText (::stolvane::sdl::api.SDL_SetClipboardText)
#define SDL_SetCursor (::stolvane::sdl::api.SDL_SetCursor)
#define SDL_SetHint (::stolvane::sdl::api.SDL_SetHint)
#define SDL_SetPrimarySelectionText (::stolvane::sdl::api.SDL_SetPrimarySelectionText)
#define SDL_SetTextInputRect (::stolvane::sdl::api.SDL_SetTextInputRect)
#define SDL_SetWindowIcon (::stolvane::sdl::api.SDL_SetWindowIcon)
#define SDL_SetWindowInputFocus (::stolvane::sdl::api.SDL_SetWindowInputFocus)
#define SDL_SetWindowMinimumSize (::stolvane::sdl::api.SDL_SetWindowMinimumSize)
#define SDL_SetWindowModalFor (::stolvane::sdl::api.SDL_SetWindowModalFor)
#define SDL_SetWindowPosition (::stolvane::sdl::api.SDL_SetWindowPosition)
#define SDL_SetWindowSize (::stolvane::sdl::api.SDL_SetWindowSize)
#define SDL_ShowWindow (::stolvane::sdl::api.SDL_ShowWindow)
#define SDL_StartTextInput (::stolvane::sdl::api.SDL_StartTextInput)
#define SDL_UpdateWindowSurfaceRects (::stolvane::sdl::api.SDL_UpdateWindowSurfaceRects)
#define SDL_WaitEventTimeout (::stolvane::sdl::api.SDL_WaitEventTimeout)
#define SDL_free (::stolvane::sdl::api.SDL_free)
#endif
