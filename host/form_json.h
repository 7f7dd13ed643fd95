// SPDX-License-Identifier: MIT
// What the form-file reader and writer share: the JSON type, the small value helpers, base64 for
// embedded pictures, the names controls may bear, how pictures a file loaded were spelled, and
// the layout a saved file is written in.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "core/picture.h"
#include "core/types.h"

namespace stolvane::formfile {

using Json = nlohmann::ordered_json;

std::string Quote(const std::string& s);
// A JSON value named for a message: the text of a short value, else its kind.
std::string Describe(const Json& v);
// Numbers are written as integers when they are whole, so twips read "120", not "120.0".
Json Number(double v);
// A Single as its shortest decimal, so 0.1f is written "0.1" rather than 0.10000000149...
Json SingleNumber(double v);
// "0x00BBGGRR".
std::string HexColour(OleColour c);

std::string Base64Encode(const std::string& bytes);
// Strict decoding: only the standard alphabet, padding only at the end; nullopt otherwise.
std::optional<std::string> Base64Decode(std::string_view text);

// "name" or "name(3)": an identifier, and an array index from 0 to 32767.
bool SplitName(const std::string& text, std::string& name, int& index);

// Pictures that a form file loaded remember how the file spelled them, so that saving a loaded
// form unchanged writes the same text (a data: URL stays byte for byte what it was; a path
// written absolute stays absolute). Entries die with their picture.
struct PictureOrigin {
    std::string spelling;
    bool data = false;
};
void RememberOrigin(const PictureRef& p, std::string spelling, bool data);
std::optional<PictureOrigin> FindOrigin(const PictureRef& p);

// The file's text: a value that fits on its line is written there in one piece, anything longer
// one member per line; the form itself and the lists of controls always open up.
std::string LayoutText(const Json& form);

}  // namespace stolvane::formfile
