target_sources(orvelle-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/explore_commands.cpp ${CMAKE_CURRENT_LIST_DIR}/dive_json.cpp)
target_link_libraries(orvelle-cli PRIVATE orvelle_explore orvelle_divelog)
