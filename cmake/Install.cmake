# Installing: `cmake --install build --prefix DIR`, and the Debian package
# (`cd build && cpack -G DEB`).
include(GNUInstallDirs)
# The documentation folder carries the program's name as the package does
# (share/doc/korvanel), unless the builder chose another.
if("$CACHE{CMAKE_INSTALL_DOCDIR}" STREQUAL "")
  set(CMAKE_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/korvanel")
endif()

# Manual pages and the changelog are installed compressed, reproducibly (no
# name or time stamp in the gzip header).
find_program(KORVANEL_GZIP gzip REQUIRED)
mark_as_advanced(KORVANEL_GZIP)
function(korvanel_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${KORVANEL_GZIP} -9nc ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
endfunction()
set(gzipped ${PROJECT_BINARY_DIR}/gz)
file(MAKE_DIRECTORY ${gzipped})
korvanel_gzip(${PROJECT_SOURCE_DIR}/docs/korvanel.1 ${gzipped}/korvanel.1.gz)
korvanel_gzip(${PROJECT_SOURCE_DIR}/docs/korvanel-cli.1 ${gzipped}/korvanel-cli.1.gz)
korvanel_gzip(${PROJECT_SOURCE_DIR}/resources/packaging/changelog ${gzipped}/changelog.gz)
add_custom_target(korvanel_gzipped ALL
                  DEPENDS ${gzipped}/korvanel.1.gz ${gzipped}/korvanel-cli.1.gz ${gzipped}/changelog.gz)

install(TARGETS korvanel-cli korvanel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${gzipped}/korvanel.1.gz ${gzipped}/korvanel-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Data, not programs: SkinFolder() finds the window images in
# <program>/../share/korvanel/sounds/res10 when none stand beside the program.
install(FILES ${KORVANEL_SKIN_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/korvanel/sounds/res10)
# DemoRecordersPath() looks in <program>/../share/korvanel.
install(FILES resources/demo-recorders.json DESTINATION ${CMAKE_INSTALL_DATADIR}/korvanel)
# TranslationsFolder() looks in <program>/../share/korvanel/translations.
install(FILES ${KORVANEL_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/korvanel/translations)
install(FILES docs/user-guide.html docs/virtual-recorders.md resources/packaging/copyright ${gzipped}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The guide's pictures, beside it as it refers to them.
file(GLOB KORVANEL_GUIDE_IMAGES docs/images/*.png)
install(FILES ${KORVANEL_GUIDE_IMAGES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/images)
install(FILES resources/korvanel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/packaging/org.korvanel.korvanel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/icons/korvanel.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

# The Debian package.
set(CPACK_PACKAGE_NAME korvanel)
set(CPACK_PACKAGE_VENDOR "Korvanel developers")
set(CPACK_PACKAGE_CONTACT "Korvanel developers <korvanel-support@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Burns ISO images onto CDs and DVDs")
set(CPACK_PACKAGE_DESCRIPTION [=[
Korvanel burns an ISO image onto a recordable CD or DVD. A wizard walks
you through the choice of device, image file, burn mode and options,
shows a summary, burns with a live log and progress, and reports the
outcome. The command-line burner korvanel-cli runs the same actions
headless. Emulated demo recorders let every path run on a machine
without a drive.]=])
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://korvanel.example.org/)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt's own catalogs: the standard buttons in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
# The library dependencies are read off the programs by dpkg-shlibdeps; the
# list stands in where that tool is missing.
find_program(KORVANEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
mark_as_advanced(KORVANEL_DPKG_SHLIBDEPS)
if(KORVANEL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6, libqt6gui6, libqt6core6, libburn4, libisofs6, libsndfile1, libsamplerate0, libc6, libstdc++6, libgcc-s1")
endif()
include(CPack)

if(KORVANEL_TESTS)
  # The desktop entry as the desktop's menus read it: hints count as faults too.
  add_test(NAME install.desktop_entry
           COMMAND ${CMAKE_COMMAND} -DFILE=${PROJECT_SOURCE_DIR}/resources/korvanel.desktop
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-desktop-entry.cmake)
  set_tests_properties(install.desktop_entry PROPERTIES SKIP_REGULAR_EXPRESSION "SKIPPED:")
  # An install into a temporary folder outside the checkout holds every file
  # the programs and the desktop look for.
  set(expected
      bin/korvanel bin/korvanel-cli share/korvanel/sounds/res10/main.bmp share/korvanel/sounds/res10/toplogo.png
      share/korvanel/sounds/res10/leftlogo.png share/korvanel/demo-recorders.json
      share/korvanel/translations/korvanel_de.qm share/korvanel/translations/korvanel_en.qm
      share/doc/korvanel/user-guide.html share/doc/korvanel/virtual-recorders.md share/doc/korvanel/copyright
      share/doc/korvanel/images/image-files-en.png share/doc/korvanel/images/image-page-files-refused.png
      share/doc/korvanel/images/summary-files.png share/doc/korvanel/images/image-page-iso-info.png
      share/doc/korvanel/images/image-page-raw-data.png share/doc/korvanel/images/image-page-checksum.png
      share/doc/korvanel/images/burning-checksum-mismatch.png
      share/doc/korvanel/changelog.gz share/man/man1/korvanel.1.gz share/man/man1/korvanel-cli.1.gz
      share/applications/korvanel.desktop share/metainfo/org.korvanel.korvanel.metainfo.xml
      share/icons/hicolor/256x256/apps/korvanel.png)
  string(REPLACE ";" "," expected "${expected}")
  add_test(NAME install.tree
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} "-DEXPECTED=${expected}"
                   -P ${PROJECT_SOURCE_DIR}/cmake/check-install.cmake)
endif()
