target_sources(orvelle-cli PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/cloud_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_session.cpp
)
target_link_libraries(orvelle-cli PRIVATE orvelle_cloud orvelle_account orvelle_logbook)
