# Map tiles: which tile a page may ask for, what cache headers allow, the
# bounded disk cache.
orvelle_test(maps_tiles_test unit ${CMAKE_CURRENT_LIST_DIR}/maps_tiles_test.cpp)
target_link_libraries(maps_tiles_test PRIVATE orvelle_maps)
