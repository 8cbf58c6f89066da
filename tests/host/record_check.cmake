# Records the demo sale and the nested combo through --script ... --record, replays each
# recording (same printout, exit status 0), checks the folder of recordings against the
# shop with --check, then changes one price in the shop: --check reports the difference
# with exit status 1. A recording's expect of what was handed back must fail when false.
# -DHOST= -DSQLITE3= -DSCRIPTS= -DWORK=
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/recorded)
set(run ${WORK}/run)

function(host)
  cmake_parse_arguments(H "" "RC;OUT" "ARGS" ${ARGN})
  execute_process(COMMAND ${HOST} --run-dir ${run} ${H_ARGS} WORKING_DIRECTORY ${WORK}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL H_RC)
    message(FATAL_ERROR "kvp_host ${H_ARGS} ended with ${rc}, not ${H_RC}:\n${err}\n${out}")
  endif()
  set(${H_OUT} "${out}" PARENT_SCOPE)
  set(${H_OUT}_ERR "${err}" PARENT_SCOPE)
endfunction()

host(RC 0 OUT ignored ARGS --make-shop)
foreach(name demo nested)
  host(RC 0 OUT printed ARGS --script ${SCRIPTS}/${name}.kvs --record recorded/${name}.kvs)
  host(RC 0 OUT replayed ARGS --script recorded/${name}.kvs)
  if(NOT replayed STREQUAL printed)
    message(FATAL_ERROR "the recording of ${name} replays otherwise:\n--- sold\n${printed}--- replayed\n${replayed}")
  endif()
  file(READ ${WORK}/recorded/${name}.expected kept)
  if(NOT kept STREQUAL printed)
    message(FATAL_ERROR "recorded/${name}.expected is not what the sale printed")
  endif()
endforeach()

host(RC 0 OUT report ARGS --check recorded)
if(NOT report STREQUAL "demo.kvs: passed\nnested.kvs: passed\n2 of 2 script(s) passed\n")
  message(FATAL_ERROR "--check on the unchanged shop:\n${report}")
endif()

# The recording asserts what the module handed back: a false line stops the replay.
file(READ ${WORK}/recorded/nested.kvs text)
string(REPLACE "expect result true" "expect result false" text "${text}")
file(WRITE ${WORK}/wrong.kvs "${text}")
host(RC 1 OUT ignored ARGS --script wrong.kvs)
if(NOT ignored_ERR MATCHES "wrong.kvs:[0-9]+: expect result false: expected false, shown true")
  message(FATAL_ERROR "a false expect result did not stop the replay:\n${ignored_ERR}")
endif()

# The orange juice (in both sales) costs more now.
execute_process(COMMAND ${SQLITE3} ${run}/loja.db
  "UPDATE PRECOHOST SET VRPRECO = 19.90 WHERE CDPRODUTO = '2002'" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "sqlite3 could not change the price")
endif()
host(RC 1 OUT report ARGS --check recorded)
if(NOT report MATCHES "demo.kvs: (differs|failed)" OR NOT report MATCHES "nested.kvs: (differs|failed)"
   OR NOT report MATCHES "0 of 2 script\\(s\\) passed")
  message(FATAL_ERROR "--check after a price change:\n${report}")
endif()
