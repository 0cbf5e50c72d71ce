# Map tiles through the tile service against orvelle-cloudsim's tile server.
orvelle_test(maps_tile_service_test cloud ${CMAKE_CURRENT_LIST_DIR}/maps_tile_service_test.cpp ${cloud_test_support})
target_include_directories(maps_tile_service_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(maps_tile_service_test PRIVATE orvelle_maps)
add_dependencies(maps_tile_service_test orvelle-cloudsim)
