# Audits the sample shop with the reference host: the report must name the broken combo
# and nothing else of the menu, and the exit status must say that a combo cannot be sold.
# -DHOST= -DRUNDIR= -DEXPECTED=
file(MAKE_DIRECTORY ${RUNDIR})
execute_process(
  COMMAND ${HOST} --run-dir ${RUNDIR} --rebuild --audit --at "2025-06-14 12:30"
  WORKING_DIRECTORY ${RUNDIR}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "kvp_host --audit ended with ${rc}, not 1:\n${err}\n${out}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  file(WRITE ${RUNDIR}/actual.txt "${out}")
  message(FATAL_ERROR "kvp_host --audit printed something else than ${EXPECTED}:\n"
                      "--- printed\n${out}--- expected\n${expected}")
endif()
execute_process(
  COMMAND ${HOST} --run-dir ${RUNDIR} --audit --json --at "2025-06-14 12:30"
  OUTPUT_VARIABLE json RESULT_VARIABLE rc)
string(JSON verdict GET "${json}" naoVende)
string(JSON n LENGTH "${json}" achados)
if(NOT rc EQUAL 1 OR NOT verdict STREQUAL "ON" OR n LESS 1)
  message(FATAL_ERROR "kvp_host --audit --json: status ${rc}, naoVende ${verdict}, ${n} findings:\n${json}")
endif()
execute_process(
  COMMAND ${HOST} --run-dir ${RUNDIR} --audit --at "14/06/2025"
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 2)
  message(FATAL_ERROR "a bad --at must end with status 2, not ${rc}:\n${err}")
endif()
