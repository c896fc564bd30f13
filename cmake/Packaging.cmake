# What an installed Fornaxel consists of, and the Debian package built from it (cpack in the
# build folder; tools/dev.sh package).
#
# The paths are fixed rather than taken from GNUInstallDirs: the program finds its shared folder
# at <bin>/../share/fornaxel and its guardian at <bin>/../libexec/fornaxel, whatever the prefix.
# The program and the guardian install themselves (src/app, src/guardian); the shipped data
# files are installed in src/app beside the rule that lays them into the program folder.
set(FORNAXEL_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(FORNAXEL_APP_ID org.fornaxel.Fornaxel)
set(FORNAXEL_MAINTAINER "Fornaxel maintainers <maintainers@users.noreply.c-seed-f364ffc8.example>")

# The installed executables resolve all their symbols at start, so the relocations can be made
# read-only (lintian's bindnow); the tests and tools link as before.
target_link_options(fornaxel PRIVATE -Wl,-z,relro,-z,now)
target_link_options(fornaxel-guardian PRIVATE -Wl,-z,relro,-z,now)

# Desktop integration: the menu entry, the file types, the software-centre entry.
install(FILES ${FORNAXEL_PACKAGING_DIR}/${FORNAXEL_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${FORNAXEL_PACKAGING_DIR}/${FORNAXEL_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${FORNAXEL_PACKAGING_DIR}/fornaxel-mime.xml DESTINATION share/mime/packages
        RENAME fornaxel.xml)

# The icon: the hand-drawn SVG, and the PNG sizes rendered from it, so they never drift apart.
install(FILES ${FORNAXEL_PACKAGING_DIR}/${FORNAXEL_APP_ID}.svg
        DESTINATION share/icons/hicolor/scalable/apps)
set(FORNAXEL_ICON_SIZES 48 128 256)
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(rendered_icons)
  foreach(size IN LISTS FORNAXEL_ICON_SIZES)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${FORNAXEL_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --format=png
              --output=${png} ${FORNAXEL_PACKAGING_DIR}/${FORNAXEL_APP_ID}.svg
      DEPENDS ${FORNAXEL_PACKAGING_DIR}/${FORNAXEL_APP_ID}.svg
      COMMENT "Rendering the ${size} px icon")
    list(APPEND rendered_icons ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(fornaxel_icons ALL DEPENDS ${rendered_icons})
else()
  # A build only to run the program needs no renderer; tools/dev.sh package installs it, and
  # tools/package-check.sh fails a package without the rendered sizes.
  message(STATUS "rsvg-convert (librsvg2-bin) not found: an install gets the SVG icon only")
endif()

# The manual page and the Debian changelog, compressed as Debian wants them (gzip -9, no name
# or time stamp inside, so that two builds give the same bytes).
set(FORNAXEL_DOC_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging)
function(fornaxel_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${FORNAXEL_DOC_BUILD_DIR}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}")
endfunction()
fornaxel_gzip(${FORNAXEL_PACKAGING_DIR}/fornaxel.1 ${FORNAXEL_DOC_BUILD_DIR}/fornaxel.1.gz)
fornaxel_gzip(${FORNAXEL_PACKAGING_DIR}/changelog ${FORNAXEL_DOC_BUILD_DIR}/changelog.gz)
add_custom_target(fornaxel_docs ALL
  DEPENDS ${FORNAXEL_DOC_BUILD_DIR}/fornaxel.1.gz ${FORNAXEL_DOC_BUILD_DIR}/changelog.gz)
install(FILES ${FORNAXEL_DOC_BUILD_DIR}/fornaxel.1.gz DESTINATION share/man/man1)
install(FILES ${FORNAXEL_DOC_BUILD_DIR}/changelog.gz ${FORNAXEL_PACKAGING_DIR}/copyright
        DESTINATION share/doc/fornaxel)
install(FILES ${FORNAXEL_PACKAGING_DIR}/fornaxel.lintian-overrides
        DESTINATION share/lintian/overrides RENAME fornaxel)

# The changelog and the software-centre entry name the version they describe: one lagging behind
# the project's would ship a package whose history ends before it.
file(STRINGS ${FORNAXEL_PACKAGING_DIR}/changelog changelog_head LIMIT_COUNT 1)
string(REGEX MATCH "^fornaxel \\(([^)]+)\\)" changelog_head "${changelog_head}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog begins with version '${CMAKE_MATCH_1}', the project is "
                      "${PROJECT_VERSION}: add an entry for it at the top")
endif()
file(READ ${FORNAXEL_PACKAGING_DIR}/${FORNAXEL_APP_ID}.metainfo.xml metainfo)
string(REGEX MATCH "<release version=\"([^\"]+)\"" metainfo "${metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "The newest release in packaging/${FORNAXEL_APP_ID}.metainfo.xml is "
                      "'${CMAKE_MATCH_1}', the project is ${PROJECT_VERSION}: add a <release> for it")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fornaxel)
# All four parts: a package of 1.0.0 for every 1.0.0.x would never be upgraded by apt.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Fornaxel")
set(CPACK_PACKAGE_CONTACT "${FORNAXEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "supervisor for firing an electric kiln")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${FORNAXEL_PACKAGING_DIR}/description.txt)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FORNAXEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The firing history needs Qt's SQLite driver, a plugin that dpkg-shlibdeps cannot see; what
# it finds is added after this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6sql6-sqlite)
# Qt's own dialog texts (buttons, file dialogs) in Russian and German come from there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
