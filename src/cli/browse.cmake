target_sources(orvelle-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/browse_commands.cpp)
target_link_libraries(orvelle-cli PRIVATE orvelle_browse orvelle_headless orvelle_account)
