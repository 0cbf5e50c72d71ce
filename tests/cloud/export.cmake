orvelle_test(export_cloud_test cloud ${CMAKE_CURRENT_LIST_DIR}/export_cloud_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_server.cpp)
target_include_directories(export_cloud_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/tools/cloudsim
  ${CMAKE_SOURCE_DIR}/tests/device)
target_link_libraries(export_cloud_test PRIVATE orvelle_export orvelle_account PkgConfig::TINYXML2)
add_dependencies(export_cloud_test orvelle-cli orvelle-cloudsim)
