orvelle_test(browse_cloud_test cloud ${CMAKE_CURRENT_LIST_DIR}/browse_cloud_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_server.cpp)
target_include_directories(browse_cloud_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(browse_cloud_test PRIVATE orvelle_browse orvelle_headless orvelle_account)
add_dependencies(browse_cloud_test orvelle-cli orvelle-cloudsim)
