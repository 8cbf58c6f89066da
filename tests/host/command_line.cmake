# The program's command line, read before any window exists: help and version answer,
# a mistake gets the usage and status 2, and without a display the program says so in
# one sentence instead of letting Qt abort. -DHOST= -DVERSION=
function(host_run out_var)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          --unset=QT_QPA_PLATFORM ${HOST} ${ARGN}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  set(${out_var}_out "${out}" PARENT_SCOPE)
  set(${out_var}_err "${err}" PARENT_SCOPE)
  set(${out_var}_rc "${rc}" PARENT_SCOPE)
endfunction()

# expect(WHAT CONDITION): CONDITION is the text of an if() condition.
function(expect what condition)
  cmake_language(EVAL CODE "if(NOT (${condition}))\n message(FATAL_ERROR [==[${what}]==])\nendif()")
endfunction()

host_run(help --help)
expect("--help: status ${help_rc}" "help_rc EQUAL 0")
foreach(option --script --screenshot --run-dir --rebuild --make-shop --connection --seed-sql --version)
  string(FIND "${help_out}" "${option}" at)
  expect("--help does not document ${option}:\n${help_out}" "NOT at EQUAL -1")
endforeach()

host_run(version --version)
expect("--version: status ${version_rc}, '${version_out}'"
       "version_rc EQUAL 0 AND version_out STREQUAL \"kvp-host ${VERSION}\n\"")

foreach(wrong --no-such-option stray --script)
  host_run(bad ${wrong})
  expect("'${wrong}': status ${bad_rc}, expected 2" "bad_rc EQUAL 2")
  expect("'${wrong}': no usage on standard error:\n${bad_err}" "bad_err MATCHES \"Usage: \"")
  expect("'${wrong}': something on standard output:\n${bad_out}" "bad_out STREQUAL \"\"")
endforeach()

host_run(nodisplay)
expect("no display: status ${nodisplay_rc}, expected 1 (Qt aborts with 134)\n${nodisplay_err}"
       "nodisplay_rc EQUAL 1")
expect("no display: not one sentence naming --script:\n${nodisplay_err}"
       "nodisplay_err MATCHES \"^[^\n]*no display[^\n]*--script FILE[^\n]*\n$\"")
