# Installation and the Debian packages.
#
#   <prefix>/bin/vellorin, vellorinctl
#   <prefix>/<libdir>/vellorin/           the web engine message view plugin (vellorin-webview)
#   <prefix>/share/vellorin/              the files the programs read (the application folder)
#   <prefix>/share/applications/          the desktop entry
#   <prefix>/share/metainfo/              AppStream metadata
#   <prefix>/share/icons/hicolor/         the program's icon, scalable and as PNGs
#   <prefix>/share/man/man1/              the manual pages
#
# The programs find share/vellorin from their own folder, so the prefix can be anything.

include(GNUInstallDirs)

set(VELLORIN_APP_ID net.vellorin.Vellorin)
# Everything but the web engine's plugin goes into the package vellorin.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME vellorin)

install(TARGETS vellorinctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VELLORIN_BUILD_GUI)
    install(TARGETS vellorin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(TARGETS vellorin_webview LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vellorin
        COMPONENT webview)
endif()
install(FILES ${VELLORIN_RESOURCES} DESTINATION ${CMAKE_INSTALL_DATADIR}/vellorin)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/${VELLORIN_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${CMAKE_SOURCE_DIR}/packaging/${VELLORIN_APP_ID}.metainfo.xml
    ${CMAKE_BINARY_DIR}/packaging/${VELLORIN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${VELLORIN_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon: the SVG the program shows, and PNGs of the usual sizes made from it.
set(VELLORIN_ICON_SVG ${CMAKE_SOURCE_DIR}/resources/vellorin.svg)
install(FILES ${VELLORIN_ICON_SVG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${VELLORIN_APP_ID}.svg)
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
    set(VELLORIN_ICON_PNGS)
    foreach(size 16 22 24 32 48 64 128 256)
        set(png ${CMAKE_BINARY_DIR}/icons/${size}/${VELLORIN_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${VELLORIN_ICON_SVG}
            DEPENDS ${VELLORIN_ICON_SVG}
            COMMENT "Drawing the ${size}px icon"
            VERBATIM)
        list(APPEND VELLORIN_ICON_PNGS ${png})
        install(FILES ${png}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(vellorin_icons ALL DEPENDS ${VELLORIN_ICON_PNGS})
else()
    message(WARNING "rsvg-convert not found: only the scalable icon is installed")
endif()

# The manual pages, from their scdoc sources in doc/.
find_program(SCDOC scdoc)
if(SCDOC)
    set(VELLORIN_MAN_PAGES)
    foreach(page vellorin vellorinctl)
        set(man ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
        add_custom_command(OUTPUT ${man}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
            COMMAND sh -c "\"$0\" < \"$1\" | gzip -9n > \"$2\"" ${SCDOC}
                ${CMAKE_SOURCE_DIR}/doc/${page}.1.scd ${man}
            DEPENDS ${CMAKE_SOURCE_DIR}/doc/${page}.1.scd
            COMMENT "Writing the manual page ${page}(1)"
            VERBATIM)
        list(APPEND VELLORIN_MAN_PAGES ${man})
        install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endforeach()
    add_custom_target(vellorin_man ALL DEPENDS ${VELLORIN_MAN_PAGES})
else()
    message(WARNING "scdoc not found: the manual pages are not installed")
endif()

# ---------------------------------------------------------------- Debian packages
# Two packages: vellorin, the programs with the built-in message view (no web engine), and
# vellorin-webview, the plugin that shows messages with the full web engine when the user chooses
# it in the preferences. vellorin suggests it; it needs vellorin of the same version.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellorin)
set(CPACK_PACKAGE_VENDOR "Vellorin")
set(CPACK_PACKAGE_CONTACT "Vellorin <support@vellorin.net>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.vellorin.net/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL vellorin)
if(VELLORIN_BUILD_GUI)
    list(APPEND CPACK_COMPONENTS_ALL webview)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)

# Each package's description: its summary line, then the text. No CPACK_PACKAGE_DESCRIPTION_SUMMARY,
# which CPack would put before both.
set(CPACK_DEBIAN_VELLORIN_PACKAGE_NAME vellorin)
string(CONCAT CPACK_COMPONENT_VELLORIN_DESCRIPTION
    "desktop client for the Vellorin notification service\n"
    "Vellorin checks the Message Sources you subscribe to (RSS feeds of the\n"
    "Vellorin service), keeps a local inbox per source, shows each item as an\n"
    "e-mail-like message and announces new messages from the system tray.\n"
    "vellorinctl offers the same inboxes on the command line. Messages are\n"
    "shown by the client's own light view; vellorin-webview adds the full\n"
    "web engine as a choice.")
# Loaded at run time, so the shared-library scan cannot see them: the display platform plugins
# and the SVG support that draws the pictures.
set(CPACK_DEBIAN_VELLORIN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_VELLORIN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_VELLORIN_PACKAGE_SUGGESTS "vellorin-webview")

set(CPACK_DEBIAN_WEBVIEW_PACKAGE_NAME vellorin-webview)
string(CONCAT CPACK_COMPONENT_WEBVIEW_DESCRIPTION
    "full web engine message view for the Vellorin desktop client\n"
    "Vellorin shows messages with its own light view. This plugin lets it show\n"
    "them with Qt WebEngine instead, when chosen in the preferences (Show\n"
    "messages with the full web engine); it uses much more memory.")
# The web engine libraries come from the shared-library scan of the plugin.
set(CPACK_DEBIAN_WEBVIEW_PACKAGE_DEPENDS "vellorin (= ${PROJECT_VERSION})")
include(CPack)
