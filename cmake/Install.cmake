# Install and package: the programs into the prefix's bin, a manual page for
# each, the data directory the build generated into
# share/halcyon-by-velmora/data, the desktop entry, the icon, the AppStream
# metadata and the Debian documentation (copyright, changelog). The default
# prefix is /usr, so a default build's programs and their installed data agree
# on /usr/share/halcyon-by-velmora/data/.
include(GNUInstallDirs)

# Every installed program with the section of its manual page, whose source is
# package/<program>.<section>. A new program is one more entry here; the
# package test checks the same list.
set(HALCYON_INSTALLED_PROGRAMS halcyon:6 halcyon-capture:1 halcyon-frames:1 halcyon-studio:1)

# Who answers for the package, and where users find the project: written into
# the package's control data, copyright, changelog and AppStream metadata.
set(HALCYON_MAINTAINER "halcyon maintainers <maintainers@users.noreply.c-seed-ad52f950.example>"
    CACHE STRING "Maintainer of the Debian package, \"Name <address>\"")
set(HALCYON_HOMEPAGE "https://velmora.org/halcyon/"
    CACHE STRING "Home page of the project, with its trailing slash")
set(HALCYON_APPSTREAM_ID "org.velmora.halcyon" CACHE STRING "AppStream component id")

set(HALCYON_INSTALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/halcyon-by-velmora/data")
set(HALCYON_INSTALL_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/halcyon")
set(package_source "${PROJECT_SOURCE_DIR}/package")
set(package_build "${CMAKE_BINARY_DIR}/package")

# Debian wants manual pages and the changelog compressed to the maximum and
# without a time stamp, so the package's bytes do not depend on the build time.
set(compressed_docs)
function(halcyon_compressed_doc source name destination)
  set(copy "${package_build}/${name}")
  add_custom_command(OUTPUT "${copy}.gz"
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${copy}"
    COMMAND gzip -9nf "${copy}"
    DEPENDS "${source}" VERBATIM)
  set(compressed_docs ${compressed_docs} "${copy}.gz" PARENT_SCOPE)
  install(FILES "${copy}.gz" DESTINATION "${destination}")
endfunction()

foreach(entry IN LISTS HALCYON_INSTALLED_PROGRAMS)
  string(REPLACE ":" ";" entry "${entry}")
  list(GET entry 0 program)
  list(GET entry 1 section)
  install(TARGETS ${program} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  halcyon_compressed_doc("${package_source}/${program}.${section}" "${program}.${section}"
                         "${CMAKE_INSTALL_MANDIR}/man${section}")
endforeach()

configure_file("${package_source}/changelog" "${package_build}/changelog.in" @ONLY)
halcyon_compressed_doc("${package_build}/changelog.in" changelog "${HALCYON_INSTALL_DOC_DIR}")
add_custom_target(package_docs ALL DEPENDS ${compressed_docs})

configure_file("${package_source}/copyright" "${package_build}/copyright" @ONLY)
install(FILES "${package_build}/copyright" DESTINATION "${HALCYON_INSTALL_DOC_DIR}")
set(HALCYON_METAINFO_BINARIES "")
foreach(entry IN LISTS HALCYON_INSTALLED_PROGRAMS)
  string(REGEX REPLACE ":.*" "" program "${entry}")
  string(APPEND HALCYON_METAINFO_BINARIES "\n    <binary>${program}</binary>")
endforeach()
set(metainfo "${package_build}/${HALCYON_APPSTREAM_ID}.metainfo.xml")
configure_file("${package_source}/metainfo.xml.in" "${metainfo}" @ONLY)
install(FILES "${metainfo}" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

install(DIRECTORY "${HALCYON_BUILD_DATA_DIR}/" DESTINATION "${HALCYON_INSTALL_DATA_DIR}")
# The studio's show sources: tracks, shaders and the music map they are written
# against, so an installed studio can play, and a copy of them can be edited.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/show/tracks" "${PROJECT_SOURCE_DIR}/show/shaders"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/halcyon-by-velmora/show")
install(FILES "${CMAKE_BINARY_DIR}/show/music-map.txt"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/halcyon-by-velmora/show")
install(FILES "${PROJECT_SOURCE_DIR}/show/halcyon.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${PROJECT_SOURCE_DIR}/show/halcyon.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
install(CODE "
  if(NOT \"${HALCYON_DATA_DIR}\" STREQUAL \"\${CMAKE_INSTALL_PREFIX}/${HALCYON_INSTALL_DATA_DIR}/\")
    message(WARNING \"the installed halcyon reads ${HALCYON_DATA_DIR}, not the installed data \"
                    \"(configure with the default HALCYON_DATA_DIR and prefix /usr to package it)\")
  endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halcyon)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${HALCYON_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo that follows its soundtrack")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "halcyon plays three minutes of club music and draws a picture that follows
it frame by frame: chrome symbols, an equaliser fed by the live spectrum, laser
fans, a layer of flat-shaded dancers, crowds and tunnels, circles, strobe and
glow, on OpenGL 2 (Mesa's software renderer will do).

The package holds the demo, its show (soundtrack, tracks, shaders, images,
models and clips, all generated from the project's sources) and two tools
that need no display: halcyon-capture exports the show as a video with its
soundtrack, halcyon-frames renders any moment as a PNG picture; and
halcyon-studio, which plays the show from any moment, loops and seeks with
the music, and shows every saved edit of a copy of its tracks and shaders at
once.")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${HALCYON_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The programs go to /usr/bin, not /usr/games: two of them are tools.
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# halcyon-capture runs ffmpeg to encode the video; the demo itself needs it not.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ffmpeg)
set(CPACK_STRIP_FILES ON)
include(CPack)
