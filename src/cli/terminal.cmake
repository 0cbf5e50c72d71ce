# What a command shows and asks at the terminal: the password prompt and the
# one updating progress line of long commands (a library of its own, so the
# tests reach it and later commands share it).
add_library(orvelle_cli_terminal STATIC
  ${CMAKE_CURRENT_LIST_DIR}/password_prompt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress_line.cpp
)
target_include_directories(orvelle_cli_terminal PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(orvelle-cli PRIVATE orvelle_cli_terminal)
