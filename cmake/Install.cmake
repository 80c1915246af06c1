# Install and package: the program into the prefix's bin, the data directory
# the build generated into share/halcyon-by-velmora/data, a desktop entry and
# an icon. The default prefix is /usr, so a default build's program and its
# installed data agree on /usr/share/halcyon-by-velmora/data/.
include(GNUInstallDirs)

set(HALCYON_INSTALL_DATA_DIR "${CMAKE_INSTALL_DATADIR}/halcyon-by-velmora/data")
install(TARGETS halcyon RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(DIRECTORY "${HALCYON_BUILD_DATA_DIR}/" DESTINATION "${HALCYON_INSTALL_DATA_DIR}")
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
set(CPACK_PACKAGE_CONTACT "halcyon developers <halcyon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo that follows its soundtrack")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
