target_sources(orvelle-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/export_commands.cpp)
target_link_libraries(orvelle-cli PRIVATE orvelle_export orvelle_account)
