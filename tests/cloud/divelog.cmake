orvelle_test(divelog_cloud_test cloud ${CMAKE_CURRENT_LIST_DIR}/divelog_cloud_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_server.cpp)
target_include_directories(divelog_cloud_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(divelog_cloud_test PRIVATE orvelle_divelog orvelle_headless orvelle_account)
add_dependencies(divelog_cloud_test orvelle-cloudsim)
