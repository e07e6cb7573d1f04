# Install layout, desktop integration and the Debian package (cpack -G DEB).
#
#   <prefix>/lib/vortaxa/           the executable, with flat/ and help/ beside it
#   <prefix>/bin/vortaxa            a relative symlink to it: the program finds its
#                                   document beside its real path
#   <prefix>/share/applications/    the desktop entry
#   <prefix>/share/metainfo/        the software-centre entry
#   <prefix>/share/icons/hicolor/   the icon, scalable and in menu sizes
#   <prefix>/bin/vortaxa-cli        the command line (needs no display)
#   <prefix>/share/man/man1/        the manual pages
#   <prefix>/share/bash-completion/ the command line's completion
#   <prefix>/share/doc/vortaxa/     copyright and changelog
#   <prefix>/lib/udev/rules.d/      the port-access rule
#
# Included from the top-level CMakeLists.txt after the vortaxa target exists.
include(GNUInstallDirs)

set(VORTAXA_APP_ID org.vortaxa.Panel)
set(VORTAXA_APP_DIR lib/vortaxa)
set(VORTAXA_PACKAGE_PREFIX /usr) # where the Debian package installs
# The date of this release (UTC seconds), in the metainfo, manual page and changelog.
set(VORTAXA_RELEASE_EPOCH 1796644800)
set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${VORTAXA_RELEASE_EPOCH})
string(TIMESTAMP VORTAXA_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP VORTAXA_RELEASE_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
set(VORTAXA_WEB_URL "https://vortaxa.org" CACHE STRING
  "Project web site: the package's homepage and the base of its screenshot address")
set(VORTAXA_PACKAGE_MAINTAINER "The Vortaxa developers <packages@vortaxa.org>" CACHE STRING
  "Maintainer field of the Debian package")
option(VORTAXA_PACKAGE_TESTS "Register the package test (label package; needs cpack)" OFF)

set(packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(staged ${CMAKE_CURRENT_BINARY_DIR}/packaging)
set(udev_rule ${packaging}/70-vortaxa-device.rules)

# The window names its desktop entry, so docks and Wayland compositors show its icon.
target_compile_definitions(vortaxa PRIVATE VORTAXA_APP_ID="${VORTAXA_APP_ID}")

# ---- the program --------------------------------------------------------------
install(TARGETS vortaxa RUNTIME DESTINATION ${VORTAXA_APP_DIR})
install(DIRECTORY flat help DESTINATION ${VORTAXA_APP_DIR})
file(RELATIVE_PATH command_target /${CMAKE_INSTALL_BINDIR} /${VORTAXA_APP_DIR}/vortaxa)
file(MAKE_DIRECTORY ${staged})
file(CREATE_LINK ${command_target} ${staged}/vortaxa SYMBOLIC)
install(FILES ${staged}/vortaxa DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${udev_rule} DESTINATION lib/udev/rules.d)
if(TARGET vortaxa-cli)
  install(TARGETS vortaxa-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/cli/vortaxa-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vortaxa-cli)
endif()

# ---- desktop integration ------------------------------------------------------
# Modalias entries for the software centre, from the USB pairs of the udev rule.
file(STRINGS ${udev_rule} rule_lines
  REGEX "^ATTRS{idVendor}==\"[0-9a-f]+\", ATTRS{idProduct}==\"[0-9a-f]+\"")
set(VORTAXA_MODALIASES "")
foreach(line IN LISTS rule_lines)
  string(REGEX MATCH "idVendor}==\"([0-9a-f]+)\", ATTRS{idProduct}==\"([0-9a-f]+)\"" _ "${line}")
  string(TOUPPER "${CMAKE_MATCH_1}" vendor)
  string(TOUPPER "${CMAKE_MATCH_2}" product)
  string(APPEND VORTAXA_MODALIASES "    <modalias>usb:v${vendor}p${product}d*</modalias>\n")
endforeach()
configure_file(${packaging}/${VORTAXA_APP_ID}.metainfo.xml.in
  ${staged}/${VORTAXA_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging}/vortaxa.1.in ${staged}/vortaxa.1 @ONLY)
configure_file(${packaging}/changelog.in ${staged}/changelog @ONLY)

install(FILES ${packaging}/${VORTAXA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${staged}/${VORTAXA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/${VORTAXA_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Compressed as Debian wants them: maximum compression, no name or time stamp.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cli/vortaxa-cli.1 ${staged}/vortaxa-cli.1 COPYONLY)
set(compressed ${staged}/vortaxa.1.gz ${staged}/vortaxa-cli.1.gz ${staged}/changelog.gz)
add_custom_command(OUTPUT ${compressed}
  COMMAND gzip -9nkf vortaxa.1 vortaxa-cli.1 changelog
  WORKING_DIRECTORY ${staged}
  DEPENDS ${staged}/vortaxa.1 ${staged}/vortaxa-cli.1 ${staged}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(vortaxa_docs ALL DEPENDS ${compressed})
install(FILES ${staged}/vortaxa.1.gz ${staged}/vortaxa-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${staged}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Menu sizes of the icon, rendered from the SVG.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(icons "")
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${staged}/icons/${size}x${size}/${VORTAXA_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${packaging}/${VORTAXA_APP_ID}.svg
      DEPENDS ${packaging}/${VORTAXA_APP_ID}.svg)
    list(APPEND icons ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(vortaxa_icons ALL DEPENDS ${icons} COMMENT "Rendering the menu icons")
else()
  message(WARNING "rsvg-convert not found (librsvg2-bin): only the scalable icon is installed")
endif()

# ---- the Debian package -------------------------------------------------------
file(STRINGS ${packaging}/qml-modules qml_modules REGEX "^[a-z0-9]")
string(REPLACE ";" ", " qml_depends "${qml_modules}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vortaxa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${VORTAXA_PACKAGE_PREFIX})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for a USB guitar cabinet simulator")
set(CPACK_PACKAGE_DESCRIPTION [=[Edits the presets of a guitar cabinet simulator and impulse-response
loader attached through a USB serial port: every parameter of the current
preset live, banks and presets, compare, revert, copy and paste, and WAV
files as cabinet impulses. The command vortaxa-cli does the same from
scripts and on machines without a screen: backups, restores, edits and
impulse conversion. Includes the udev rule that gives the logged-in
user access to the device's port and keeps ModemManager from probing it.]=])
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORTAXA_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VORTAXA_WEB_URL}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${qml_depends}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core) # the panel's typeface
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging}/postinst ${packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

if(VORTAXA_PACKAGE_TESTS)
  enable_testing()
  add_subdirectory(tests/package)
endif()
