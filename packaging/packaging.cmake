# The installed tree: the runnable folder under /opt/norva-agent (the program
# and everything it looks for beside itself), a command on the PATH, a desktop
# entry and the service unit (installed, not enabled); CPack makes a .deb of it.
# A build folder configured before this rule still holds CMake's own default.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT OR CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
  set(CMAKE_INSTALL_PREFIX /opt/norva-agent CACHE PATH "Installation folder" FORCE)
endif()

install(TARGETS NAgent pbxsim RUNTIME DESTINATION .)
install(TARGETS agentz4 XAPISrvr LIBRARY DESTINATION .)
file(GLOB NORVA_INSTALL_LANG CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/lang/NAgent.* ${PROJECT_SOURCE_DIR}/lang/Language.*)
install(FILES ${NORVA_INSTALL_LANG} ${PROJECT_SOURCE_DIR}/help/AGENT.html
  ${PROJECT_SOURCE_DIR}/plugins/xapisrvr/XAPISrvr.INI DESTINATION .)

# Written at install time: they name the folder the tree was installed to.
set(NORVA_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
install(CODE "
  set(NORVA_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(root \"\$ENV{DESTDIR}\")
  configure_file(\"${NORVA_PACKAGING_DIR}/NorvaAgent.service.in\"
    \"\${root}/lib/systemd/system/NorvaAgent.service\" @ONLY)
  configure_file(\"${NORVA_PACKAGING_DIR}/norva-agent.desktop.in\"
    \"\${root}/usr/share/applications/norva-agent.desktop\" @ONLY)
  file(MAKE_DIRECTORY \"\${root}/usr/bin\")
  file(REMOVE \"\${root}/usr/bin/norva-agent\")
  file(CREATE_LINK \"\${NORVA_PREFIX}/NAgent\" \"\${root}/usr/bin/norva-agent\" SYMBOLIC)
  message(STATUS \"Installing: \${root}/usr/bin/norva-agent -> \${NORVA_PREFIX}/NAgent\")
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norva-agent)
set(CPACK_PACKAGE_VENDOR "Norva")
set(CPACK_PACKAGE_CONTACT "Norva <dev@norva.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Agent beside a private telephone exchange")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/norva-agent)
# The files outside the prefix (/usr/bin, /lib/systemd) need a staged root.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plug-in; the service runs without one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${NORVA_PACKAGING_DIR}/postinst ${NORVA_PACKAGING_DIR}/prerm ${NORVA_PACKAGING_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
