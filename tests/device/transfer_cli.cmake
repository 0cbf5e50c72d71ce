orvelle_test(transfer_cli_test device ${CMAKE_CURRENT_LIST_DIR}/transfer_cli_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/devsim_process.cpp ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(transfer_cli_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}
  ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(transfer_cli_test PRIVATE orvelle_device orvelle_cloud)
add_dependencies(transfer_cli_test orvelle-devsim orvelle-cloudsim orvelle-cli)
