# Built only; run by hand: bench_cloud_roundtrip [rounds]
add_executable(bench_cloud_roundtrip
  ${CMAKE_CURRENT_LIST_DIR}/cloud_roundtrip.cpp
  ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(bench_cloud_roundtrip PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud)
target_compile_definitions(bench_cloud_roundtrip PRIVATE ORVELLE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
target_link_libraries(bench_cloud_roundtrip PRIVATE orvelle_cloud PkgConfig::CURL)
add_dependencies(bench_cloud_roundtrip orvelle-cloudsim)
