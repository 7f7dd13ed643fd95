// SPDX-License-Identifier: MIT
#include "core/errors.h"

namespace stolvane::Errors {

HostError FileNotFound() { return {ErrorNumber::FileNotFound, "File not found"}; }

HostError ObjectRequired() { return {ErrorNumber::ObjectRequired, "Object required"}; }

HostError NoSuchProperty(const std::string& what) {
    std::string text = "Object doesn't support this property or method";
    return {ErrorNumber::NoSuchProperty, what.empty() ? text : text + ": " + what};
}

HostError InvalidPicture() { return {ErrorNumber::InvalidPicture, "Invalid picture"}; }

}  // namespace stolvane::Errors
