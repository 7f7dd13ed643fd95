# SPDX-License-Identifier: MIT
# What the consumer checks share.
#
# run(WHAT COMMAND...): runs a command, fails the check with its output if it fails, and
# leaves what it printed in last_output.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

# write_readme_example(FILE): writes the README's C++ example, the block after the "consumer"
# marker, to FILE, and leaves it in program.
function(write_readme_example file)
  file(READ ${SOURCE}/README.md readme)
  string(FIND "${readme}" "<!-- consumer -->" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "README.md has no <!-- consumer --> snippet")
  endif()
  string(SUBSTRING "${readme}" ${at} -1 readme)
  string(FIND "${readme}" "```cpp\n" start)
  math(EXPR start "${start} + 7")
  string(SUBSTRING "${readme}" ${start} -1 readme)
  string(FIND "${readme}" "```" end)
  string(SUBSTRING "${readme}" 0 ${end} program)
  file(WRITE ${file} "${program}")
  set(program "${program}" PARENT_SCOPE)
endfunction()
