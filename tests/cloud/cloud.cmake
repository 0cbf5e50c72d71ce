# Cloud client, sign-in and orvelle-cli against a real orvelle-cloudsim over TLS.
set(cloud_test_support ${CMAKE_CURRENT_LIST_DIR}/sim_server.cpp)
orvelle_test(cloud_transport_test cloud ${CMAKE_CURRENT_LIST_DIR}/transport_test.cpp ${cloud_test_support})
orvelle_test(cloud_endpoints_test cloud ${CMAKE_CURRENT_LIST_DIR}/endpoints_test.cpp ${cloud_test_support})
orvelle_test(cloud_session_test cloud ${CMAKE_CURRENT_LIST_DIR}/session_test.cpp ${cloud_test_support})
foreach(t cloud_transport_test cloud_endpoints_test cloud_session_test)
  target_link_libraries(${t} PRIVATE orvelle_cloud orvelle_account)
  target_include_directories(${t} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  add_dependencies(${t} orvelle-cloudsim orvelle-cli)
endforeach()

orvelle_test(login_page_test cloud ${CMAKE_CURRENT_LIST_DIR}/login_page_test.cpp ${cloud_test_support})
target_include_directories(login_page_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(login_page_test PRIVATE orvelle_account orvelle_headless)
add_dependencies(login_page_test orvelle-cloudsim)

orvelle_test(cli_terminal_test cloud ${CMAKE_CURRENT_LIST_DIR}/cli_terminal_test.cpp ${cloud_test_support})
target_include_directories(cli_terminal_test PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR}/tools/cloudsim
  ${CMAKE_SOURCE_DIR}/tests/device)
target_link_libraries(cli_terminal_test PRIVATE orvelle_cloud orvelle_account util)
add_dependencies(cli_terminal_test orvelle-cloudsim orvelle-cli)
