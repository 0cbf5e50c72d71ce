target_sources(orvelle-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/device_commands.cpp)
target_link_libraries(orvelle-cli PRIVATE orvelle_device)
