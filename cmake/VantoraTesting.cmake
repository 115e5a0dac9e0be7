include(GoogleTest)
find_package(GTest REQUIRED)

set(VANTORA_TEST_ENV
  "QT_QPA_PLATFORM=offscreen"
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "G_SLICE=always-malloc"
  "VANTORA_TESTDATA=${CMAKE_SOURCE_DIR}/tests/data"
  "GST_REGISTRY=${CMAKE_BINARY_DIR}/gst-registry.bin"
  # A station a test starts without its own upload record keeps it here, not in the user's home.
  "XDG_STATE_HOME=${CMAKE_BINARY_DIR}/test-state")

# vantora_add_gtest(NAME SOURCES a.cpp b.cpp LIBS lib... [LABELS l...] [TIMEOUT s])
# Tests are discovered when CTest runs, not at build time, so a test binary
# never runs without the test environment (offscreen Qt, sanitizer options).
function(vantora_add_gtest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock vantora_warnings)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
  # Discovery hands PROPERTIES on as a flat list, which keeps only the first
  # entry of a list value such as ENVIRONMENT. So the environment is set by a
  # script of our own that CTest runs after the discovered tests are known.
  set(env_script "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
  file(WRITE "${env_script}"
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"${VANTORA_TEST_ENV}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${env_script}")
endfunction()
