# Installs Clipwright where a Linux desktop expects it, makes the manual pages
# from the programs' own --help, and describes the Debian package (CPack).
include(GNUInstallDirs)

install(TARGETS clipwright-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS clipwright-reencoder LIBRARY DESTINATION ${CW_MODULE_DIR})
if(TARGET clipwright)
  install(TARGETS clipwright RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET clipwright-thumbnailer)
  install(TARGETS clipwright-thumbnailer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The editor looks for its help pages in ../share/clipwright/help beside its
# own folder.
if(EXISTS ${CMAKE_SOURCE_DIR}/docs/help)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/help/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/clipwright/help)
endif()

set(cw_data ${CMAKE_SOURCE_DIR}/data)
install(FILES ${cw_data}/clipwright.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${cw_data}/io.github.clipwright.Clipwright.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${cw_data}/clipwright-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME clipwright.xml)
install(FILES ${cw_data}/icons/clipwright.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${cw_data}/icons/clipwright-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME clipwright.png)
endforeach()
install(FILES ${cw_data}/completion/clipwright-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# File managers find the thumbnailer by this entry.
if(TARGET clipwright-thumbnailer)
  install(FILES ${cw_data}/clipwright.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
endif()

# Manual pages: help2man runs each program's --help (and every command's, for
# clipwright-cli), so the manuals and --help say the same. Compressed as
# Debian's policy asks.
find_program(CW_HELP2MAN help2man)
find_program(CW_GZIP gzip)
if(CW_HELP2MAN AND CW_GZIP)
  set(cw_man_pages)
  foreach(program clipwright-cli clipwright clipwright-thumbnailer)
    if(NOT TARGET ${program})
      continue()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-man.sh $<TARGET_FILE:${program}>
              ${cw_data}/man/${program}.h2m ${page}
      COMMAND ${CW_GZIP} -9nf ${page}
      DEPENDS ${program} ${cw_data}/man/${program}.h2m ${CMAKE_SOURCE_DIR}/scripts/make-man.sh
      COMMENT "Manual page ${program}(1)")
    list(APPEND cw_man_pages ${page}.gz)
  endforeach()
  add_custom_target(man ALL DEPENDS ${cw_man_pages})
  install(FILES ${cw_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man or gzip not found: manual pages are not made")
endif()

# Debian's copyright file and changelog, for the package.
set(cw_docdir ${CMAKE_INSTALL_DATADIR}/doc/clipwright)
install(FILES ${cw_data}/debian/copyright DESTINATION ${cw_docdir})
set(cw_changelog ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${cw_changelog}
  COMMAND ${CW_GZIP} -9nc ${cw_data}/debian/changelog > ${cw_changelog}
  DEPENDS ${cw_data}/debian/changelog)
add_custom_target(debian_changelog ALL DEPENDS ${cw_changelog})
install(FILES ${cw_changelog} DESTINATION ${cw_docdir})

# The Debian package: dependencies come from the shared libraries the
# programs link (dpkg-shlibdeps), not from a list kept by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clipwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Clipwright developers")
set(CPACK_PACKAGE_CONTACT "The Clipwright developers <clipwright@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut and join MPEG-1 movies without re-encoding")
set(CPACK_PACKAGE_DESCRIPTION
    "Clipwright is a desktop editor and a command line that cut and join MPEG-1
movies (system streams, video-only and audio-only streams, VideoCD tracks)
without decoding or re-encoding them. Cuts decode without errors and keep
the sound in sync; joins keep continuous clocks; every record can be undone
and redone.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://clipwright.github.io/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ffmpeg")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
