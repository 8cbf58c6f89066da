# The audit's verdicts on shapes added to the sample shop (replays/audit-shapes.sql), each
# checked against a replay that sells them: first as the sample shop shows zero prices,
# then with zero prices hidden. Each phase prints the audit's report, then the replay.
# -DHOST= -DSQLITE3= -DREPLAYS= -DRUNDIR=
file(REMOVE_RECURSE ${RUNDIR})
execute_process(COMMAND ${HOST} --run-dir ${RUNDIR} --make-shop
  OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "kvp_host --make-shop ended with ${rc}:\n${err}")
endif()

function(sql text)
  execute_process(COMMAND ${SQLITE3} ${RUNDIR}/loja.db ${text} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "sqlite3 ${text}: ${err}")
  endif()
endfunction()

function(phase name)
  execute_process(COMMAND ${HOST} --run-dir ${RUNDIR} --audit --at "2025-06-14 12:30"
    OUTPUT_VARIABLE report ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 1)
    message(FATAL_ERROR "kvp_host --audit (${name}) ended with ${rc}, not 1:\n${err}\n${report}")
  endif()
  execute_process(COMMAND ${HOST} --run-dir ${RUNDIR} --script ${REPLAYS}/${name}.kvs
    OUTPUT_VARIABLE sale ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}.kvs ended with ${rc}:\n${err}\n${sale}")
  endif()
  set(out "${report}---\n${sale}")
  file(READ ${REPLAYS}/${name}.expected expected)
  if(NOT out STREQUAL expected)
    file(WRITE ${RUNDIR}/${name}.actual "${out}")
    message(FATAL_ERROR "${name}: printed something else than ${name}.expected:\n"
                        "--- printed\n${out}--- expected\n${expected}")
  endif()
endfunction()

sql(".read ${REPLAYS}/audit-shapes.sql")
phase(audit-shapes)
sql("UPDATE PARAVEND SET IDEXIBEPRECZERO = 'N'")
phase(audit-shapes-hidden)
