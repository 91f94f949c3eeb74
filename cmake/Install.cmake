# What `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it:
# both programs, the translations, the icon, the desktop entry, the AppStream metainfo, the
# manual pages and the bash completion.
include(GNUInstallDirs)

set(PELLVANE_APP_ID com.pellvane.PhotoValidator)
set(PELLVANE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(PELLVANE_INSTALL_LANGDIR ${CMAKE_INSTALL_DATADIR}/pellvane/Lang)

install(TARGETS pellvane-validate RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

find_program(PELLVANE_SCDOC scdoc)
find_program(PELLVANE_RSVG_CONVERT rsvg-convert)

# Manual pages: scdoc sources with the version filled in, built
# with the rest and compressed as Debian ships them.
function(pellvane_man_page name)
  set(source ${PELLVANE_PACKAGING_DIR}/man/${name}.1.scd)
  set(configured ${CMAKE_BINARY_DIR}/man/${name}.1.scd)
  set(page ${CMAKE_BINARY_DIR}/man/${name}.1.gz)
  configure_file(${source} ${configured} @ONLY)
  add_custom_command(OUTPUT ${page}
    COMMAND sh -c [["$1" < "$2" | gzip -9n > "$3"]] sh ${PELLVANE_SCDOC} ${configured} ${page}
    DEPENDS ${configured}
    COMMENT "Writing the manual page ${name}(1)"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY PELLVANE_MAN_PAGES ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

if(PELLVANE_SCDOC)
  pellvane_man_page(pellvane-validate)
  if(TARGET pellvane-validator)
    pellvane_man_page(pellvane-validator)
  endif()
  get_property(pages GLOBAL PROPERTY PELLVANE_MAN_PAGES)
  add_custom_target(pellvane_man ALL DEPENDS ${pages})
else()
  message(WARNING "scdoc not found: the manual pages are neither built nor installed")
endif()

install(FILES ${PELLVANE_PACKAGING_DIR}/completion/pellvane-validate.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME pellvane-validate)

if(TARGET pellvane-validator)
  install(TARGETS pellvane-validator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/Lang/ DESTINATION ${PELLVANE_INSTALL_LANGDIR})
  # The program finds the installed translations relative to its own folder, so that the
  # installed tree works wherever the prefix puts it.
  file(RELATIVE_PATH lang_from_bin ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/pellvane/Lang)
  target_compile_definitions(pellvane_shell PRIVATE PELLVANE_INSTALLED_LANG_FOLDER="${lang_from_bin}")

  install(FILES ${PELLVANE_PACKAGING_DIR}/${PELLVANE_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${PELLVANE_PACKAGING_DIR}/${PELLVANE_APP_ID}.metainfo.xml
    ${CMAKE_BINARY_DIR}/${PELLVANE_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/${PELLVANE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The icon: the SVG for any size, and PNGs rendered from it for the sizes menus ask for.
  set(icon_source ${PROJECT_SOURCE_DIR}/resources/ICON.svg)
  set(icon_root ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${icon_source} DESTINATION ${icon_root}/scalable/apps RENAME ${PELLVANE_APP_ID}.svg)
  if(PELLVANE_RSVG_CONVERT)
    set(icons)
    foreach(size 16 22 24 32 48 64 128 256)
      set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${PELLVANE_APP_ID}.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
        COMMAND ${PELLVANE_RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${icon_source}
        DEPENDS ${icon_source}
        COMMENT "Rendering the ${size}x${size} icon")
      install(FILES ${png} DESTINATION ${icon_root}/${size}x${size}/apps)
      list(APPEND icons ${png})
    endforeach()
    add_custom_target(pellvane_icons ALL DEPENDS ${icons})
  else()
    message(WARNING "rsvg-convert not found: only the SVG icon is installed")
  endif()
endif()

# The Debian package: the same installation under /usr, with its dependencies read from the
# libraries the programs link.
set(CPACK_PACKAGE_NAME pellvane-photo-validator)
set(CPACK_PACKAGE_VENDOR Pellvane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tells whether a JPEG photo is an original from a camera")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.pellvane.com)
set(PELLVANE_PACKAGE_MAINTAINER "Pellvane Photo Validator developers <packages@pellvane.invalid>"
  CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${PELLVANE_PACKAGE_MAINTAINER})
# The package's long description; its first line is the summary above.
set(CPACK_PACKAGE_DESCRIPTION
  "Pellvane Photo Validator decodes a JPEG picture, reads its metadata, runs
forensic tests on what it finds and rates the file from class 1 (processed)
to class 5 (original). The package holds the desktop program
pellvane-validator and the command line pellvane-validate.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded when a report is written rather than linked, so the shared-library scan cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
