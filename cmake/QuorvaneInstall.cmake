# The installed layout (cmake --install, and the Debian package made from it with CPack):
#   bin/quorvane                              the program
#   lib/quorvane/                             its window and browser-engine modules, found from bin/
#                                             without environment variables (ProgramFolders)
#   share/quorvane/历史记录曲线排名模板.xls     copied into each user's data folder on the first start
#   share/applications, share/icons/hicolor, share/metainfo, share/man/man1, share/doc/quorvane
# An installed copy keeps each user's database, logs and settings in the user's own folders.

set(staged ${CMAKE_BINARY_DIR}/share)

# Files made at build time for the installation: the icon in every size it is drawn at, a pristine history
# template, the changelog as Debian keeps it.
set(icon_stamp ${staged}/icons/hicolor/.written)
add_custom_command(OUTPUT ${icon_stamp}
  COMMAND app-icon ${staged}/icons/hicolor
  COMMAND ${CMAKE_COMMAND} -E touch ${icon_stamp}
  DEPENDS app-icon
  COMMENT "Icons for the installation")
set(shipped_template "${staged}/quorvane/历史记录曲线排名模板.xls")
add_custom_command(OUTPUT ${shipped_template}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}/quorvane
  COMMAND make-template ${shipped_template}
  DEPENDS make-template
  COMMENT "History template for the installation")
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${staged}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${staged}/doc/changelog.gz
  COMMAND gzip -9nkf ${staged}/doc/changelog
  DEPENDS ${staged}/doc/changelog
  COMMENT "Changelog for the installation")
add_custom_target(installed_files ALL DEPENDS ${icon_stamp} ${shipped_template} ${staged}/doc/changelog.gz)

# Installed as targets, so that cmake --install --strip and the package strip them. The program is
# quorvane in bin/, as Linux commands are named; the build folder keeps Quorvane.
install(TARGETS Quorvane RUNTIME DESTINATION bin)
install(CODE [[file(RENAME "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/Quorvane"
                          "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/quorvane")]])
install(TARGETS quorvane_window quorvane_script_page LIBRARY DESTINATION lib/quorvane
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${shipped_template} DESTINATION share/quorvane)
install(DIRECTORY ${staged}/icons/hicolor DESTINATION share/icons FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvane.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.quorvane.Quorvane.metainfo.xml DESTINATION share/metainfo)
install(FILES ${staged}/man/man1/quorvane.1.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${staged}/doc/changelog.gz DESTINATION share/doc/quorvane)

# The Debian package: quorvane_<version>_amd64.deb. Its dependencies are the Debian packages of the
# libraries the program and its modules link, computed by dpkg-shlibdeps; the recommended ones are loaded
# at run time and cannot be computed (Qt's own Chinese texts, a font with Chinese characters).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search engine rank tracker for sites and keywords")
# The extended description, in lines of Debian's width; CPack puts the summary before it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Register site URLs and keywords, and Quorvane finds at which position each
site appears in the result pages of Baidu, Google, Yahoo, Soso, Bing, Sogou
and Youdao, keeps the latest rank and a dated history in a local database,
and shows grids, a trend chart and spreadsheet exports. The interface is in
Simplified Chinese. The command line (quorvane --update) runs the same batch
update without a window, for cron and systemd timers.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quorvane developers <developers@quorvane.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
