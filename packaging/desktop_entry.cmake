# Run by `cmake --install`: writes the desktop entry for the prefix being
# installed to and installs it. A program in /usr/bin is on every PATH and is
# named bare, as Debian's desktop files do; any other prefix gets the full path.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(ORVELLE_EXEC orvelle-pc-tool)
else()
  set(ORVELLE_EXEC "${CMAKE_INSTALL_PREFIX}/${ORVELLE_BIN_DIR}/orvelle-pc-tool")
  # The desktop entry format splits Exec at spaces unless the path is quoted.
  if(ORVELLE_EXEC MATCHES "[ \t]")
    set(ORVELLE_EXEC "\"${ORVELLE_EXEC}\"")
  endif()
endif()
configure_file("${ORVELLE_DESKTOP_IN}" "${ORVELLE_DESKTOP_OUT}" @ONLY)
file(INSTALL "${ORVELLE_DESKTOP_OUT}" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications")
