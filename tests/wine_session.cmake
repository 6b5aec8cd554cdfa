# Under Wine, every test shares one running prefix (the "wine" fixture): a keeper program holds
# the prefix's services, so that no test waits for Wine to start or for its explorer.exe to let
# go of the output. The thread probe tells the session whether a second thread works there.
if(CMAKE_CROSSCOMPILING)
  add_executable(wine_keeper support/wine_keeper.cpp)
  target_link_libraries(wine_keeper PRIVATE ole32)
  add_executable(thread_probe support/thread_probe.cpp)
  set(_session "${PROJECT_SOURCE_DIR}/scripts/wine-session")
  add_test(NAME wine_start COMMAND ${_session} start ${FOLIO_WINEARCH} "${FOLIO_WINEPREFIX}" $<TARGET_FILE:wine_keeper>
                                  $<TARGET_FILE:thread_probe>)
  add_test(NAME wine_stop COMMAND ${_session} stop ${FOLIO_WINEARCH} "${FOLIO_WINEPREFIX}")
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

# folio_add_test(target [THREADS filter] [SECONDS n]): one CTest test per test program. Under
# Wine, wine-run ends the program after n seconds (default 300), more under emulation; and the
# cases that need a second thread (a GoogleTest filter) run as a test of their own,
# target_threads, which wine-run skips with its reason where threads do not work (32-bit Wine
# under qemu-i386 user emulation). Natively the program runs whole. FOLIO_ADDED_TESTS names
# the tests added, for more properties.
function(folio_add_test target)
  cmake_parse_arguments(PARSE_ARGV 1 _add "" "THREADS;SECONDS" "")
  if(CMAKE_CROSSCOMPILING AND _add_THREADS)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1 --gtest_filter=-${_add_THREADS})
    add_test(NAME ${target}_threads COMMAND ${target} --gtest_brief=1 --gtest_filter=${_add_THREADS})
    # A filter that no longer matches any case would pass with nothing run.
    set_tests_properties(${target}_threads PROPERTIES SKIP_RETURN_CODE 77
                         FAIL_REGULAR_EXPRESSION "\\[==========\\] 0 tests from")
    set(_added ${target} ${target}_threads)
  else()
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    set(_added ${target})
  endif()
  if(CMAKE_CROSSCOMPILING)
    if(NOT _add_SECONDS)
      set(_add_SECONDS 300)
    endif()
    set_tests_properties(${_added} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT FOLIO_WINE_SECONDS=${_add_SECONDS})
    if(_add_THREADS)
      set_tests_properties(${target}_threads PROPERTIES
                           ENVIRONMENT "FOLIO_WINE_SECONDS=${_add_SECONDS};FOLIO_TEST_THREADS=1")
    endif()
  endif()
  set(FOLIO_ADDED_TESTS ${_added} PARENT_SCOPE)
endfunction()
