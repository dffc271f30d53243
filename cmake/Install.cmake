# Installation and the Debian package.
#
# `cmake --install` lays the program out as a desktop application: the two
# programs, the menu entry, the icons of the hicolor theme, the AppStream
# metadata and the manual pages. CPack (scripts/package.sh) turns that into
# livro-caixa_VERSION_ARCH.deb. The sources of the desktop integration are in
# packaging/.

include(GNUInstallDirs)

set(LIVRO_APP_ID br.com.tamirolavrenta.LivroCaixa)
set(LIVRO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(LIVRO_ICON_SVG ${LIVRO_PACKAGING_DIR}/icons/${LIVRO_APP_ID}.svg)
set(LIVRO_ICON_SIZES 16 24 32 48 64 128 256)

# Directories the package creates are 0755 whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The program looks for livro-caixa-mdb beside itself
# (ReaderProcess::defaultProgram), so both go into bin.
install(TARGETS livro-caixa livro-caixa-mdb RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The libraries they load are the system's: no $ORIGIN run path (which
# qt_standard_project_setup would give them) in an installed program.
set_target_properties(livro-caixa livro-caixa-mdb PROPERTIES INSTALL_RPATH "")

install(FILES ${LIVRO_PACKAGING_DIR}/${LIVRO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${LIVRO_PACKAGING_DIR}/${LIVRO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${LIVRO_ICON_SVG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The PNG sizes are rendered from the one SVG at build time, so the drawing
# has a single source and no binary copies of it sit in the repository.
# rsvg-convert comes from librsvg2-bin (scripts/install-deps.sh).
find_program(LIVRO_RSVG_CONVERT rsvg-convert)
set(livro_packaging_outputs)
if(LIVRO_RSVG_CONVERT)
    foreach(size IN LISTS LIVRO_ICON_SIZES)
        set(dir ${PROJECT_BINARY_DIR}/icons/${size}x${size})
        set(png ${dir}/${LIVRO_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${LIVRO_RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${LIVRO_ICON_SVG}
            DEPENDS ${LIVRO_ICON_SVG}
            COMMENT "Rendering the ${size}x${size} icon"
            VERBATIM)
        list(APPEND livro_packaging_outputs ${png})
        install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(WARNING "rsvg-convert (Debian package librsvg2-bin) was not found: "
                    "only the SVG icon will be installed, without the PNG sizes.")
endif()

# Manual pages are installed compressed, as Debian wants them.
foreach(page livro-caixa.1 livro-caixa-mdb.1)
    set(gz ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${LIVRO_PACKAGING_DIR}/${page} ${gz}
        DEPENDS ${LIVRO_PACKAGING_DIR}/${page}
        VERBATIM)
    list(APPEND livro_packaging_outputs ${gz})
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Debian wants the copyright notice and a compressed changelog in the
# package's documentation folder.
set(livro_changelog_gz ${PROJECT_BINARY_DIR}/doc/changelog.Debian.gz)
add_custom_command(OUTPUT ${livro_changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
    COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" sh ${LIVRO_PACKAGING_DIR}/changelog ${livro_changelog_gz}
    DEPENDS ${LIVRO_PACKAGING_DIR}/changelog
    VERBATIM)
list(APPEND livro_packaging_outputs ${livro_changelog_gz})
install(FILES ${livro_changelog_gz} ${LIVRO_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/livro-caixa)
add_custom_target(livro-caixa-packaging ALL DEPENDS ${livro_packaging_outputs})

# The metainfo's newest release and the manual pages' headers name the
# version by hand; say so at configure time when they fall behind the project.
foreach(file ${LIVRO_APP_ID}.metainfo.xml livro-caixa.1 livro-caixa-mdb.1)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LIVRO_PACKAGING_DIR}/${file})
    file(READ ${LIVRO_PACKAGING_DIR}/${file} text)
    string(FIND "${text}" "<release version=\"${PROJECT_VERSION}\"" in_metainfo)
    string(FIND "${text}" "\"Livro de Caixa ${PROJECT_VERSION}\"" in_manual)
    if(in_metainfo EQUAL -1 AND in_manual EQUAL -1)
        message(WARNING "packaging/${file} does not name version ${PROJECT_VERSION}: "
                        "add the release (metainfo) or update the .TH line (manual page).")
    endif()
endforeach()

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME livro-caixa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tamiro Lavrenta")
set(CPACK_PACKAGE_CONTACT "Livro de Caixa <suporte@tamirolavrenta.com.br>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cash book for small Brazilian businesses")
set(CPACK_PACKAGE_DESCRIPTION
    "Livro de Caixa records a small business's cash received and paid out, day\n"
    "by day and under accounts, shows the running balance and the day's movement,\n"
    "and prints the cash book or exports it to PDF and XLSX. It also opens the\n"
    "books of the older Windows program (Access files). The program is in\n"
    "Brazilian Portuguese.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Livro de Caixa <suporte@tamirolavrenta.com.br>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What the binaries link comes from dpkg-shlibdeps (dpkg-dev). Added by hand
# is what Qt loads at run time, which dpkg-shlibdeps cannot see: the SQL
# drivers (the file book and the PostgreSQL server book), the SVG image and
# icon plugins (they ship in libqt6svg6, which the programs themselves do not
# link), Qt's pt_BR translations and the fonts the reports embed. The X11
# platform plugin ships in libqt6gui6, which the program links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, libqt6svg6, qt6-translations-l10n, fonts-liberation2")
# The native platform plugin for Wayland sessions; without it Qt runs on
# XWayland through the X11 plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
