# Runs at install time: writes the desktop entry with the launcher's full path under the prefix
# given to "cmake --install" and installs it. POSTFALKE_DESKTOP_IN and POSTFALKE_DESKTOP_OUT are
# set by the install step before this script.
set(launcher "${CMAKE_INSTALL_PREFIX}/bin/postfalke")
# The Exec key: "%" is doubled, and a path with blanks is quoted.
string(REPLACE "%" "%%" launcher "${launcher}")
if(launcher MATCHES " ")
  set(launcher "\"${launcher}\"")
endif()
configure_file("${POSTFALKE_DESKTOP_IN}" "${POSTFALKE_DESKTOP_OUT}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES "${POSTFALKE_DESKTOP_OUT}")
