# Ralu as a desktop application: what `cmake --install` puts where the
# desktop looks for it, and the Debian package `cpack -G DEB` builds from it.
# Ralu reads no files of its own at run time (pictures and key tones are
# embedded, its sounds are written into the user's data folder), so only the
# executable and the desktop's files are installed.
include(GNUInstallDirs)

# The application's id: the desktop entry's and the metainfo's file name, the
# icon's name, and the desktop file name the program announces (Wayland).
set(RALU_APP_ID org.ralu.Ralu)
set(RALU_ICON_SIZES 16 22 24 32 48 64 128 256)
set(RALU_DESKTOP_DIR ${CMAKE_BINARY_DIR}/desktop)
configure_file(resources/ralu.desktop.in ${RALU_DESKTOP_DIR}/${RALU_APP_ID}.desktop @ONLY)
configure_file(resources/ralu.metainfo.xml.in ${RALU_DESKTOP_DIR}/${RALU_APP_ID}.metainfo.xml @ONLY)
target_compile_definitions(ralu PRIVATE RALU_APP_ID="${RALU_APP_ID}")

# The icon: checked in under resources/icons, drawn by tools/make_icon.cpp;
# `cmake --build build --target icons` draws them anew after a change there.
add_executable(ralu_make_icon tools/make_icon.cpp)
target_link_libraries(ralu_make_icon PRIVATE Qt6::Gui)
add_custom_target(icons COMMAND ralu_make_icon ${CMAKE_SOURCE_DIR}/resources/icons
  COMMENT "Drawing the application icon into resources/icons")
set(_ralu_icon_files)
foreach(_size ${RALU_ICON_SIZES})
  list(APPEND _ralu_icon_files ${CMAKE_SOURCE_DIR}/resources/icons/ralu-${_size}.png)
endforeach()
# The window and the tray show the same pictures (skin::appIcon()).
qt_add_resources(ralu_skin ralu_app_icon PREFIX /icons BASE ${CMAKE_SOURCE_DIR}/resources/icons
  FILES ${_ralu_icon_files})

install(TARGETS ralu RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${RALU_DESKTOP_DIR}/${RALU_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${RALU_DESKTOP_DIR}/${RALU_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(_size ${RALU_ICON_SIZES})
  install(FILES resources/icons/ralu-${_size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps RENAME ${RALU_APP_ID}.png)
endforeach()
install(FILES resources/icons/ralu.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${RALU_APP_ID}.svg)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ralu)
# Debian's way: a machine-readable copyright file naming the licence Debian
# ships, and the manual page and the changelog compressed reproducibly.
install(FILES resources/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ralu)
set(_ralu_gzipped)
foreach(_doc resources/ralu.1 resources/debian/changelog)
  get_filename_component(_name ${_doc} NAME)
  add_custom_command(OUTPUT ${RALU_DESKTOP_DIR}/${_name}.gz
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/${_doc} > ${RALU_DESKTOP_DIR}/${_name}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/${_doc} VERBATIM)
  list(APPEND _ralu_gzipped ${RALU_DESKTOP_DIR}/${_name}.gz)
endforeach()
add_custom_target(ralu_doc_files DEPENDS ${_ralu_gzipped})
add_dependencies(ralu ralu_doc_files)
install(FILES ${RALU_DESKTOP_DIR}/ralu.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${RALU_DESKTOP_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ralu)

# The Debian package. Its dependencies are those of the shared libraries the
# executable links, as dpkg-shlibdeps (dpkg-dev) finds them.
set(CPACK_PACKAGE_NAME ralu)
set(CPACK_PACKAGE_VENDOR "Ralu developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "softphone for a prepaid voice-over-IP service")
# The summary is the package's synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Ralu lets the customers of a prepaid voice-over-IP service call ordinary
telephone numbers from their desktop over SIP. It answers or rejects
incoming calls, sends touch tones, shows the call time, the remaining talk
time and the balance of the account, and keeps a call history and a phone
book in plain text files.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ralu developers <ralu@ralu.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's X11 support comes with its GUI library; a Wayland session needs more.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
# cpack builds the program alone, never the whole tree with its tests: the
# install step no longer builds "all" first, and cpack builds "ralu" itself
# (its output shows in cpack's log, build/_CPack_Packages/.../InstallOutput.log).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
cmake_host_system_information(RESULT _ralu_cores QUERY NUMBER_OF_LOGICAL_CORES)
set(CPACK_INSTALL_COMMANDS "${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target ralu --parallel ${_ralu_cores}")
include(CPack)
