target_sources(orvelle-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/cloud_commands.cpp)
