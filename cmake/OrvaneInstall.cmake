# Installing: `cmake --install BUILD --prefix P` (DESTDIR honoured) lays out
#   P/lib/orvane/          the program's folder: orvane, orvane-cli, the
#                          libraries they load by name, FILEINFO/ and the
#                          marker that sends settings and temporary files
#                          elsewhere (shell/file_locations.h)
#   P/bin/                 links to the two programs (the programs find their
#                          folder through /proc/self/exe, which names the
#                          link's target)
#   P/share/...            menu entry, icon, file types, AppStream metainfo,
#                          manual pages, bash completion, copyright
# and `cpack -G DEB` in a Release build packs the same tree.
include(GNUInstallDirs)

set(ORVANE_INSTALL_PROGRAMDIR lib/orvane CACHE STRING "The program's own folder, below the install prefix")
set(dist ${CMAKE_SOURCE_DIR}/dist)
set(generated ${CMAKE_BINARY_DIR}/dist)
set(ORVANE_APP_ID org.orvane.Orvane)

set(programs orvane-cli)
if(TARGET orvane)
  list(APPEND programs orvane)
endif()
install(TARGETS ${programs} RUNTIME DESTINATION ${ORVANE_INSTALL_PROGRAMDIR})
install(TARGETS TarvoComp TarvoCompC Pack LIBRARY DESTINATION ${ORVANE_INSTALL_PROGRAMDIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/samples/FILEINFO DESTINATION ${ORVANE_INSTALL_PROGRAMDIR})
install(FILES ${dist}/ORVANE.INSTALLED DESTINATION ${ORVANE_INSTALL_PROGRAMDIR})

file(RELATIVE_PATH to_programs /${CMAKE_INSTALL_BINDIR} /${ORVANE_INSTALL_PROGRAMDIR})
foreach(program ${programs})
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
    message(STATUS \"Installing: \${link} -> ${to_programs}/${program}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK \"${to_programs}/${program}\" \"\${link}\" SYMBOLIC)")
endforeach()

# Desktop integration.
install(FILES ${dist}/${ORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dist}/orvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${dist}/icons/${size}x${size}/orvane.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${dist}/orvane-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME orvane.xml)
configure_file(${dist}/${ORVANE_APP_ID}.metainfo.xml ${generated}/${ORVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${ORVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dist}/orvane-cli.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME orvane-cli)

# Manual pages and the changelog, compressed as Debian keeps them
# (-n: no name or time stamp, so the same sources give the same bytes).
find_program(GZIP gzip REQUIRED)
set(compressed)
foreach(page orvane.1 orvane-cli.1 changelog)
  configure_file(${dist}/${page} ${generated}/${page} @ONLY)
  add_custom_command(OUTPUT ${generated}/${page}.gz
    COMMAND ${GZIP} -9nc ${generated}/${page} > ${generated}/${page}.gz
    DEPENDS ${generated}/${page} VERBATIM)
  list(APPEND compressed ${generated}/${page}.gz)
endforeach()
add_custom_target(orvane_dist_files ALL DEPENDS ${compressed})
install(FILES ${generated}/orvane.1.gz ${generated}/orvane-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${dist}/copyright ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane)
install(FILES ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane)

# The Debian package (cpack -G DEB from a Release build).
set(CPACK_PACKAGE_NAME orvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Orvane developers")
set(CPACK_PACKAGE_CONTACT "Orvane developers <orvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of HQR game resource archives")
# The synopsis line comes from the summary above; this is the long text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarvo Resource Manager opens the HQR archives in which a game keeps its
resources. It lists, extracts, adds, replaces, removes and recompresses
items, saves with a backup, views and edits items in a hex editor, compares
two archives and records and runs scripts of archive operations.
.
The package holds the desktop program orvane, the command-line companion
orvane-cli and the compression libraries both load.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries dpkg-shlibdeps finds: the window system plugins, without
# which Qt shows no window (libqt6gui6 only recommends them).
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_GENERATOR DEB)
include(CPack)
