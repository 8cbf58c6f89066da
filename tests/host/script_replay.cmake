# Replays a bundled script with the reference host and compares what it prints with the
# expected file. -DHOST= -DSCRIPT= -DEXPECTED= -DRUNDIR=
file(MAKE_DIRECTORY ${RUNDIR})
execute_process(
  COMMAND ${HOST} --run-dir ${RUNDIR} --rebuild --script ${SCRIPT}
  WORKING_DIRECTORY ${RUNDIR}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "kvp_host failed (${rc}):\n${err}\n${out}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  file(WRITE ${RUNDIR}/actual.txt "${out}")
  message(FATAL_ERROR "The replay of ${SCRIPT} printed something else than ${EXPECTED}:\n"
                      "--- printed (kept in ${RUNDIR}/actual.txt)\n${out}--- expected\n${expected}")
endif()
