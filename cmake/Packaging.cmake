# Installation into the standard places, and a Debian package of it.
include(GNUInstallDirs)

install(TARGETS swfscout RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Not LIBDIR: the program finds its plug-in at ../lib/swfscout from its own folder.
install(TARGETS swfscout_webengine LIBRARY DESTINATION lib/swfscout)
# The program finds Ruffle at ../share/swfscout/ruffle beside its own folder.
install(DIRECTORY ${CMAKE_BINARY_DIR}/share/swfscout/ruffle
        DESTINATION ${CMAKE_INSTALL_DATADIR}/swfscout)
install(FILES ${PROJECT_SOURCE_DIR}/data/swfscout.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/swfscout.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME swfscout)
set(CPACK_PACKAGE_VENDOR "SWF Scout")
set(CPACK_PACKAGE_CONTACT "SWF Scout developers <swfscout@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_PACKAGE_DESCRIPTION
    "Type a QQ number: SWF Scout downloads that user's custom-window page, lists every Flash module address in it, plays a module through Ruffle inside the window, and copies its address.")
# The libraries the program links and the parts of Qt it loads at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6quickwidgets6 (>= 6.4), libqt6webenginewidgets6 (>= 6.4), libqt6webenginecore6 (>= 6.4), libqt6webenginecore6-bin (>= 6.4), qt6-qpa-plugins, libqt6svg6, libcurl4 (>= 7.85), libcpp-httplib0.11, fonts-noto-cjk")
include(CPack)
