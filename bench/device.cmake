# ReadBlock/WriteBlock over a pseudo-terminal against the raw limit of the
# same pair. Built only; run by hand: build/bin/device_bench
add_executable(device_bench ${CMAKE_CURRENT_LIST_DIR}/device_throughput.cpp)
target_link_libraries(device_bench PRIVATE orvelle_device orvelle_devsim_core)
# Upload of 100 dives through the upload relay against the raw pty and
# plain libcurl: upload_bench [pairs] [dives]
add_executable(upload_bench ${CMAKE_CURRENT_LIST_DIR}/upload_bench.cpp ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(upload_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud)
target_compile_definitions(upload_bench PRIVATE ORVELLE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
target_link_libraries(upload_bench PRIVATE orvelle_transfer orvelle_device orvelle_devsim_core orvelle_cloud PkgConfig::CURL)
add_dependencies(upload_bench orvelle-cloudsim)
