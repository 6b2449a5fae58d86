# Installed, the program lives in a folder of its own with its help file beside it (the help
# is found next to the executable), reached through a qirva command on the PATH, with a menu
# entry, a theme icon and AppStream data. `cpack -G DEB` in the build folder makes the
# Debian package.
set(QIRVA_ID org.example.qirva)
set(QIRVA_PROGRAM_FOLDER lib/qirva)

install(TARGETS qirva RUNTIME DESTINATION ${QIRVA_PROGRAM_FOLDER})
install(FILES ${PROJECT_SOURCE_DIR}/resources/Qirva.html DESTINATION ${QIRVA_PROGRAM_FOLDER})

# The command is a relative link, so the program resolves its own folder through it.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(CREATE_LINK ../${QIRVA_PROGRAM_FOLDER}/qirva ${CMAKE_CURRENT_BINARY_DIR}/packaging/qirva
     SYMBOLIC)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/qirva DESTINATION bin)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/${QIRVA_ID}.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${QIRVA_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/qirva-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${QIRVA_ID}.png)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/qirva.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME ${QIRVA_ID}.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qirva)
set(CPACK_PACKAGE_VENDOR NORVO)
set(CPACK_PACKAGE_CONTACT "QIRVA <qirva@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo-album viewer with a Japanese user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "QIRVA browses a Pictavault photo library, one folder per album of JPEG photos, in a folder
tree, shows its photos fitted or zoomed, steps through albums, runs slide shows, and prints
and copies the photo on display. It never writes into the library.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The debugging symbols stay in the build tree; the package holds the stripped program.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/qirva/)
# The libraries come from the binary; the Japanese font and Qt's Japanese translations are
# read at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
# The help file and the album pages open in the desktop's handlers.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
