# Runs one fuzz target for a bounded time, starting from a corpus of valid
# packets. A crash or sanitizer report makes the fuzzer exit non-zero, which
# fails the test.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
execute_process(COMMAND ${SEEDS} ${WORKDIR}/seeds RESULT_VARIABLE rc_seed)
if(NOT rc_seed EQUAL 0)
  message(FATAL_ERROR "writing the seed corpus failed with ${rc_seed}")
endif()
# Every target starts from every seed: other readers' packets are good
# mutations too.
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -max_len=2048 -print_final_stats=1 ${WORKDIR}/seeds
  WORKING_DIRECTORY ${WORKDIR}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer ${NAME} failed with ${rc}")
endif()
