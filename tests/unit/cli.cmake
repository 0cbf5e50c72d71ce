# orvelle-cli's terminal output.
orvelle_test(cli_progress_line_test unit cli_progress_line_test.cpp)
target_link_libraries(cli_progress_line_test PRIVATE orvelle_cli_terminal)
# orvelle-cli list and stats --by over a saved copy made by the test.
orvelle_test(cli_list_test unit cli_list_test.cpp)
target_include_directories(cli_list_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/device)
target_link_libraries(cli_list_test PRIVATE orvelle_logbook orvelle_values)
add_dependencies(cli_list_test orvelle-cli)
