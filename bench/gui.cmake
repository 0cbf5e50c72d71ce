# The desktop figures: the bare GTK/WebKit floor and the driver that runs it
# in turns with orvelle-pc-tool (scripts/bench starts both).
if(ORVELLE_GUI)
  add_executable(bench_bare_view ${CMAKE_CURRENT_LIST_DIR}/bare_view.cpp)
  target_link_libraries(bench_bare_view PRIVATE orvelle_cloud PkgConfig::GTK3 PkgConfig::WEBKIT PkgConfig::CURL PkgConfig::JSONCPP)
  add_executable(gui_bench ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp)
  target_link_libraries(gui_bench PRIVATE orvelle_logbook)
  add_dependencies(gui_bench bench_bare_view orvelle-pc-tool orvelle-cloudsim)
  if(TARGET orvelle-bookgen)
    add_dependencies(gui_bench orvelle-bookgen)
  endif()
endif()

# scripts/bench --quick prints every figure; only the lines are checked.
# Kept out of sanitizer builds: it times, and WebKit is not built for them.
if(ORVELLE_GUI AND NOT ORVELLE_SANITIZE AND NOT ORVELLE_TSAN)
  add_test(NAME bench_quick COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_figures.sh ${CMAKE_SOURCE_DIR}/scripts/bench --quick)
  set_tests_properties(bench_quick PROPERTIES LABELS bench TIMEOUT 900
    ENVIRONMENT "ORVELLE_BUILD_DIR=${CMAKE_BINARY_DIR};ORVELLE_BENCH_NO_BUILD=1")
endif()
