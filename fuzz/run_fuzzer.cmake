# Runs one libFuzzer target for a bounded time (CTest calls this through cmake -P).
#   FUZZER   the fuzz target
#   CORPUS   the committed seed corpus: read, never written
#   WORK     a scratch directory of this target: new corpus entries and findings
#   SECONDS  how long to fuzz
#   DICT     optional libFuzzer dictionary
foreach(var FUZZER CORPUS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzzer.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT IS_DIRECTORY "${CORPUS}")
  message(FATAL_ERROR "seed corpus ${CORPUS} is missing")
endif()

# A fresh scratch corpus each run: what a run finds depends on the committed seeds and the
# code, not on what earlier runs happened to leave behind.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/findings")

set(args -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048 -max_len=8192
  -print_final_stats=1 -artifact_prefix=${WORK}/findings/)
if(DEFINED DICT)
  list(APPEND args -dict=${DICT})
endif()
# The first directory receives new inputs; the second is only read.
execute_process(COMMAND "${FUZZER}" ${args} "${WORK}/corpus" "${CORPUS}" RESULT_VARIABLE rc)

file(GLOB findings "${WORK}/findings/*")
if(NOT rc EQUAL 0 OR findings)
  message(FATAL_ERROR "fuzzing failed (exit ${rc}); inputs kept: ${findings}\n"
    "Reproduce with: ${FUZZER} <input>. Once fixed, add the input to ${CORPUS}.")
endif()
