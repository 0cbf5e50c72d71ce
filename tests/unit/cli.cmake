# orvelle-cli's terminal output.
orvelle_test(cli_progress_line_test unit cli_progress_line_test.cpp)
target_link_libraries(cli_progress_line_test PRIVATE orvelle_cli_terminal)
