# Sells from a shop's own database (a copy of the sample shop) with a run folder that
# holds only the host's files: the replay prints what the bundled one prints, and the
# run folder gets a log but no database or pictures. A run folder without the host's
# files is refused before anything runs. -DHOST= -DSCRIPT= -DEXPECTED= -DWORK=
file(REMOVE_RECURSE ${WORK})
set(sample ${WORK}/sample)
set(shop ${WORK}/shop)
set(run ${WORK}/run)
execute_process(COMMAND ${HOST} --make-shop --run-dir ${sample}
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "--make-shop failed (${rc}): ${err}")
endif()
file(MAKE_DIRECTORY ${shop} ${run}/Dados/Cadastros)
file(COPY_FILE ${sample}/loja.db ${shop}/shop.db)
set(connection "driver=QSQLITE;database=${shop}/shop.db")

execute_process(COMMAND ${HOST} --run-dir ${run} --connection "${connection}" --script ${SCRIPT}
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "PARAMETROSQMT.CDS is missing")
  message(FATAL_ERROR "a run folder without the host's files was not refused (${rc}): ${err}")
endif()

file(COPY_FILE ${sample}/PARAMETROSQMT.CDS ${run}/PARAMETROSQMT.CDS)
file(COPY_FILE ${sample}/Dados/Cadastros/AliqImpFis.cds ${run}/Dados/Cadastros/AliqImpFis.cds)
execute_process(COMMAND ${HOST} --run-dir ${run} --connection "${connection}" --script ${SCRIPT}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "kvp_host failed (${rc}):\n${err}\n${out}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "printed something else than ${EXPECTED}:\n${out}")
endif()
if(EXISTS ${run}/loja.db OR EXISTS ${run}/dados/img)
  message(FATAL_ERROR "the sample shop was built in the run folder ${run}")
endif()
file(GLOB logs ${run}/dados/LogKvp510/*)
if(NOT logs)
  message(FATAL_ERROR "no operation log in ${run}/dados/LogKvp510")
endif()
