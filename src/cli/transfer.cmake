target_sources(orvelle-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/transfer_commands.cpp)
target_link_libraries(orvelle-cli PRIVATE orvelle_transfer orvelle_sites orvelle_account)
