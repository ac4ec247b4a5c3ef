# Installation into the standard places, and a Debian package of it.
include(GNUInstallDirs)

set(SWFSCOUT_MAINTAINER "SWF Scout developers <swfscout-devel@users.noreply.github.com>"
    CACHE STRING "The package's maintainer, as \"Name <address>\"")

install(TARGETS swfscout RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Not LIBDIR: the program finds its plug-in at ../lib/swfscout/plugins from its
# own folder. A private plug-in: no ldconfig, which a folder one level below
# /usr/lib would make CPack call.
install(TARGETS swfscout_webengine LIBRARY DESTINATION lib/swfscout/plugins)
# The program finds Ruffle at ../share/swfscout/ruffle beside its own folder.
install(DIRECTORY ${CMAKE_BINARY_DIR}/share/swfscout/ruffle
        DESTINATION ${CMAKE_INSTALL_DATADIR}/swfscout)
install(FILES ${PROJECT_SOURCE_DIR}/data/swfscout.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/swfscout.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/swfscout.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME io.github.swfscout.SwfScout.metainfo.xml)

# The manual page and the changelog, compressed as Debian ships them; the copyright file.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(doc_dir ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${doc_dir})
set(MAINTAINER ${SWFSCOUT_MAINTAINER})
configure_file(${PROJECT_SOURCE_DIR}/data/changelog ${doc_dir}/changelog @ONLY)
add_custom_command(
  OUTPUT ${doc_dir}/swfscout.1.gz ${doc_dir}/changelog.gz
  COMMAND ${GZIP_EXECUTABLE} -9nc ${PROJECT_SOURCE_DIR}/data/swfscout.1 > ${doc_dir}/swfscout.1.gz
  COMMAND ${GZIP_EXECUTABLE} -9nc ${doc_dir}/changelog > ${doc_dir}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/swfscout.1 ${doc_dir}/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(docs ALL DEPENDS ${doc_dir}/swfscout.1.gz ${doc_dir}/changelog.gz)
install(FILES ${doc_dir}/swfscout.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${doc_dir}/changelog.gz ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME swfscout)
set(CPACK_PACKAGE_VENDOR "SWF Scout")
set(CPACK_PACKAGE_CONTACT "${SWFSCOUT_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SWFSCOUT_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION
    "Type a QQ number: SWF Scout downloads that user's custom-window page,\nlists every Flash module address in it, plays a module through Ruffle\ninside the window, and copies its address.")
# Depends: what dpkg-shlibdeps finds the program and its plug-in linked
# against, and what they load at run time without linking it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6webenginecore6-bin (>= 6.4), qt6-qpa-plugins, libqt6svg6, fonts-noto-cjk")
include(CPack)
