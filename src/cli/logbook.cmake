target_sources(orvelle-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/logbook_commands.cpp)
target_link_libraries(orvelle-cli PRIVATE orvelle_logbook orvelle_account)
