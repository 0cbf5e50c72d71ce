orvelle_test(logbook_cloud_test cloud ${CMAKE_CURRENT_LIST_DIR}/logbook_cloud_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_server.cpp)
target_include_directories(logbook_cloud_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/tools/cloudsim
  ${CMAKE_SOURCE_DIR}/tests/device)
target_link_libraries(logbook_cloud_test PRIVATE orvelle_logbook orvelle_divelog orvelle_account PkgConfig::SQLITE3)
add_dependencies(logbook_cloud_test orvelle-cli orvelle-cloudsim)
