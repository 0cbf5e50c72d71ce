# Run by scripts/bench: export_bench <bin folder> <pairs> [dives]
add_executable(export_bench
  ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp
  ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(export_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tests/device
  ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_compile_definitions(export_bench PRIVATE ORVELLE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
target_link_libraries(export_bench PRIVATE orvelle_logbook)
add_dependencies(export_bench orvelle-cloudsim orvelle-cli)
