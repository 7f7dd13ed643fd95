# SPDX-License-Identifier: MIT
# Turns resource files into one C++ source: a table of (relative path, bytes).
set(body "// Generated from the resource files; do not edit.\n#include <string_view>\n#include <utility>\n#include <vector>\nnamespace stolvane::resources {\nstd::vector<std::pair<std::string_view, std::string_view>> All() {\n  std::vector<std::pair<std::string_view, std::string_view>> r;\n")
foreach(f ${FILES})
  file(RELATIVE_PATH rel ${ROOT} ${f})
  file(READ ${f} hex HEX)
  string(LENGTH "${hex}" len)
  math(EXPR bytes "${len} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" esc "${hex}")
  string(APPEND body "  r.emplace_back(\"${rel}\", std::string_view(\"${esc}\", ${bytes}));\n")
endforeach()
string(APPEND body "  return r;\n}\n}  // namespace stolvane::resources\n")
file(WRITE ${OUT} "${body}")
