# vantrik_test(NAME SOURCES... LIBS lib...)
# One GoogleTest executable per unit; each test case becomes a CTest test of its own, run in a
# process of its own. Tests that touch files make their own temporary directories (and set
# VANTRIK_REGISTRY_DIR) so that they never touch the user's files and can run in parallel.
function(vantrik_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 120 ${ARG_PROPERTIES})
endfunction()
