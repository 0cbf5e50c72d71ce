# Social sign-in against the simulated platform and service of orvelle-cloudsim.
orvelle_test(social_cloud_test cloud ${CMAKE_CURRENT_LIST_DIR}/social_cloud_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sim_server.cpp)
target_include_directories(social_cloud_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(social_cloud_test PRIVATE orvelle_account orvelle_cloud)
add_dependencies(social_cloud_test orvelle-cloudsim)
