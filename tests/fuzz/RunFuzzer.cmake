# Runs one libFuzzer target for a bounded number of inputs: cmake -DFUZZER=... -DWORK=...
# -DSEEDS=a;b -DRUNS=n -DMAX_SECONDS=s -P RunFuzzer.cmake. New inputs go to a corpus folder
# that starts empty at every run; a crashing input is kept in WORK for reproduction.
# A fixed seed keeps make test repeatable; QM_FUZZ_SEED picks another walk for a longer hunt.
set(seed 1)
if(DEFINED ENV{QM_FUZZ_SEED})
  set(seed $ENV{QM_FUZZ_SEED})
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
execute_process(
  COMMAND ${FUZZER} -seed=${seed} -runs=${RUNS} -max_total_time=${MAX_SECONDS} -timeout=30
          -rss_limit_mb=3072 -print_final_stats=1 -artifact_prefix=${WORK}/
          ${WORK}/corpus ${SEEDS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input that failed is in ${WORK}")
endif()
