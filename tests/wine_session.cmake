# folio_add_test(target): one CTest test per test program. Under Wine, every test shares
# one running prefix (the "wine" fixture): a keeper program holds the prefix's services,
# so that no test waits for Wine to start or for its explorer.exe to let go of the output.
if(CMAKE_CROSSCOMPILING)
  add_executable(wine_keeper support/wine_keeper.cpp)
  target_link_libraries(wine_keeper PRIVATE ole32)
  set(_session "${PROJECT_SOURCE_DIR}/scripts/wine-session")
  add_test(NAME wine_start COMMAND ${_session} start ${FOLIO_WINEARCH} "${FOLIO_WINEPREFIX}" $<TARGET_FILE:wine_keeper>)
  add_test(NAME wine_stop COMMAND ${_session} stop ${FOLIO_WINEARCH} "${FOLIO_WINEPREFIX}")
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
endif()

function(folio_add_test target)
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()
