# Replays a script with the reference host and compares what it prints with the expected
# file. -DHOST= -DSCRIPT= -DEXPECTED= -DRUNDIR=; optional -DARGS= (more options, ";"
# separated), -DEXPECT_RC= (exit status, 0 unless given) and -DEXPECT_ERR= (text that
# standard error must hold).
file(MAKE_DIRECTORY ${RUNDIR})
if(NOT DEFINED EXPECT_RC)
  set(EXPECT_RC 0)
endif()
execute_process(
  COMMAND ${HOST} --run-dir ${RUNDIR} --rebuild --script ${SCRIPT} ${ARGS}
  WORKING_DIRECTORY ${RUNDIR}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL EXPECT_RC)
  message(FATAL_ERROR "kvp_host ended with ${rc}, not ${EXPECT_RC}:\n${err}\n${out}")
endif()
if(DEFINED EXPECT_ERR)
  string(FIND "${err}" "${EXPECT_ERR}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "kvp_host did not say \"${EXPECT_ERR}\"; it said:\n${err}")
  endif()
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  file(WRITE ${RUNDIR}/actual.txt "${out}")
  message(FATAL_ERROR "The replay of ${SCRIPT} printed something else than ${EXPECTED}:\n"
                      "--- printed (kept in ${RUNDIR}/actual.txt)\n${out}--- expected\n${expected}")
endif()
