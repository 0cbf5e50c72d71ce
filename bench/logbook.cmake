# Run by scripts/bench: logbook_bench <bin folder> [pairs]
add_executable(logbook_bench
  ${CMAKE_CURRENT_LIST_DIR}/logbook_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(logbook_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tests/device
  ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_compile_definitions(logbook_bench PRIVATE ORVELLE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
target_link_libraries(logbook_bench PRIVATE orvelle_cloud orvelle_account orvelle_browse orvelle_headless)
add_dependencies(logbook_bench orvelle-cloudsim orvelle-cli)
