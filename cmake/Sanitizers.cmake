# The sanitizer build (preset "asan", folder build-asan/): every target of the project is
# built with AddressSanitizer and UndefinedBehaviorSanitizer, and the first report ends the
# process with an error so that the test that met it fails. The code also carries libFuzzer's
# coverage hooks, so the fuzz targets of tests/fuzz/ link against the same libraries.
option(QM_SANITIZE "Build with AddressSanitizer, UndefinedBehaviorSanitizer and fuzz targets" OFF)

if(QM_SANITIZE)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "QM_SANITIZE needs clang (the asan preset uses clang++-14)")
  endif()
  set(QM_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
  add_compile_options(${QM_SANITIZE_FLAGS} -fsanitize=fuzzer-no-link -O1)
  add_link_options(${QM_SANITIZE_FLAGS})
endif()
