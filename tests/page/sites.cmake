orvelle_test(sites_page_test page ${CMAKE_CURRENT_LIST_DIR}/sites_page_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(sites_page_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(sites_page_test PRIVATE orvelle_sites orvelle_headless orvelle_account)
add_dependencies(sites_page_test orvelle-cloudsim orvelle_runtime_data)
