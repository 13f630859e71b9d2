# Installing the program where desktops and software centres find it
# (cmake --install), and the Debian and RPM packages made from that install
# (make package, which runs CPack).

include(GNUInstallDirs)

# What the packages and the software-centre metadata say about the project.
# The address and the licence stand in until the project has its own.
set(ZEL_APP_ID "org.example.zeltarik" CACHE STRING "Reverse-DNS id of the desktop entry and metainfo")
set(ZEL_HOMEPAGE "https://zeltarik.example.org/" CACHE STRING "The project's web page")
set(ZEL_SCREENSHOT_URL "${ZEL_HOMEPAGE}screenshots/" CACHE STRING
    "Where the pictures of the screenshots target are published")
set(ZEL_MAINTAINER "Zeltarik developers <packages@zeltarik.example.org>" CACHE STRING
    "Maintainer of the packages")
set(ZEL_LICENSE "LicenseRef-proprietary")
set(ZEL_LICENSE_TEXT "No licence has been granted: all rights are reserved by the copyright holders.")
set(ZEL_COPYRIGHT "2026 The Zeltarik developers")
set(ZEL_RELEASE_DATE "2026-12-10")
set(ZEL_RELEASE_DATE_RFC2822 "Thu, 10 Dec 2026 12:00:00 +0000")
set(ZEL_EXECUTABLE zeltarik)
set(ZEL_ICON_NAME zeltarik)

set(ZEL_PACKAGE_SUMMARY "mouse wheel trainer for young schoolchildren")
# Wrapped for the 80 columns of a Debian control file.
string(JOIN "\n" ZEL_PACKAGE_DESCRIPTION
    "A full-screen exercise that teaches children to use the mouse wheel."
    "The child steers a boat over a lake with eight on-screen arrows, brings"
    "it over the light spots of a small map and dives by turning the wheel:"
    "the lake bottom grows larger in a magnifier, and the child clicks the"
    "treasures found there."
    ""
    "Every student's results go into one spreadsheet workbook per computer,"
    "a worksheet for each student, which the teacher opens in LibreOffice"
    "Calc or Excel and can print from the program. The workbook lives in"
    "/var/lib/zeltarik, shared by the accounts in the group zeltarik.")

set(packaging_source ${CMAKE_SOURCE_DIR}/packaging)
set(packaging_binary ${CMAKE_BINARY_DIR}/packaging)

configure_file(${packaging_source}/zeltarik.desktop.in ${packaging_binary}/${ZEL_APP_ID}.desktop @ONLY)
configure_file(${packaging_source}/zeltarik.metainfo.xml.in
               ${packaging_binary}/${ZEL_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging_source}/copyright ${packaging_binary}/copyright @ONLY)
configure_file(${packaging_source}/changelog.in ${packaging_binary}/changelog @ONLY)
set(ZEL_DESKTOP_FILE ${packaging_binary}/${ZEL_APP_ID}.desktop)
set(ZEL_METAINFO_FILE ${packaging_binary}/${ZEL_APP_ID}.metainfo.xml)

# Debian wants the manual page and the changelog compressed, without a time
# stamp so that a rebuild gives the same bytes.
add_custom_command(OUTPUT ${packaging_binary}/zeltarik.6.gz
    COMMAND gzip -n -9 -c ${packaging_source}/zeltarik.6 > ${packaging_binary}/zeltarik.6.gz
    DEPENDS ${packaging_source}/zeltarik.6 VERBATIM)
add_custom_command(OUTPUT ${packaging_binary}/changelog.gz
    COMMAND gzip -n -9 -c ${packaging_binary}/changelog > ${packaging_binary}/changelog.gz
    DEPENDS ${packaging_binary}/changelog VERBATIM)
add_custom_target(packaging_files ALL
    DEPENDS ${packaging_binary}/zeltarik.6.gz ${packaging_binary}/changelog.gz)

install(TARGETS zeltarik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZEL_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZEL_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging_binary}/zeltarik.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${packaging_binary}/copyright ${packaging_binary}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The program's icon in the hicolor theme's sizes; the window's own two sizes
# come from the assets the executable carries, the rest from packaging/icons.
set(ZEL_ICON_SIZES 16 22 24 32 48 64 128 256)
set(icon_folders "")
foreach(size ${ZEL_ICON_SIZES})
    if(size EQUAL 256)
        set(icon ${CMAKE_SOURCE_DIR}/assets/icon/zeltarik.png)
    elseif(size EQUAL 48)
        set(icon ${CMAKE_SOURCE_DIR}/assets/icon/zeltarik_48.png)
    else()
        set(icon ${packaging_source}/icons/zeltarik_${size}.png)
    endif()
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${ZEL_ICON_NAME}.png)
    list(APPEND icon_folders /usr/share/icons/hicolor/${size}x${size}
                             /usr/share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${packaging_source}/icons/zeltarik.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${ZEL_ICON_NAME}.svg)
list(APPEND icon_folders /usr/share/icons/hicolor/scalable /usr/share/icons/hicolor/scalable/apps)

# CPack: one Debian and one RPM package of everything installed above.
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE ZEL_DEB_ARCHITECTURE
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT ZEL_DEB_ARCHITECTURE)
    set(ZEL_DEB_ARCHITECTURE amd64)
endif()
set(ZEL_RPM_RELEASE 1)
set(ZEL_DEB_FILE ${CMAKE_BINARY_DIR}/zeltarik_${PROJECT_VERSION}_${ZEL_DEB_ARCHITECTURE}.deb)
set(ZEL_RPM_FILE
    ${CMAKE_BINARY_DIR}/zeltarik-${PROJECT_VERSION}-${ZEL_RPM_RELEASE}.${CMAKE_SYSTEM_PROCESSOR}.rpm)

set(CPACK_GENERATOR DEB RPM)
set(CPACK_PACKAGE_NAME zeltarik)
set(CPACK_PACKAGE_VENDOR "The Zeltarik developers")
set(CPACK_PACKAGE_CONTACT "${ZEL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${ZEL_PACKAGE_SUMMARY}")
set(CPACK_PACKAGE_DESCRIPTION "${ZEL_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${ZEL_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

set(CPACK_DEBIAN_FILE_NAME zeltarik_${PROJECT_VERSION}_${ZEL_DEB_ARCHITECTURE}.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${ZEL_DEB_ARCHITECTURE})
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZEL_MAINTAINER}")
# The libraries come from the executable (dpkg-shlibdeps). What linking cannot
# show: the font that stands in for the "Arial" the program asks for,
# fontconfig's configuration that maps the one to the other, and adduser for
# the group the maintainer script makes. The CUPS client library is linked;
# the scheduler is only recommended, since a machine may print through a CUPS
# server elsewhere.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fontconfig-config, adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${packaging_source}/debian/postinst ${packaging_source}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_RPM_FILE_NAME zeltarik-${PROJECT_VERSION}-${ZEL_RPM_RELEASE}.${CMAKE_SYSTEM_PROCESSOR}.rpm)
set(CPACK_RPM_PACKAGE_RELEASE ${ZEL_RPM_RELEASE})
set(CPACK_RPM_PACKAGE_LICENSE "${ZEL_LICENSE}")
set(CPACK_RPM_PACKAGE_GROUP "Amusements/Games")
set(CPACK_RPM_PACKAGE_URL "${ZEL_HOMEPAGE}")
set(CPACK_RPM_PACKAGE_SUMMARY "Mouse wheel trainer for young schoolchildren")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${ZEL_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_RELOCATABLE OFF)
# rpmbuild finds the libraries itself (AutoReq); the font is asked for by the
# capability fontconfig's RPM macros give every font package, whatever the
# distribution calls it.
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_PACKAGE_REQUIRES "font(liberationsans), fontconfig")
set(CPACK_RPM_PACKAGE_REQUIRES_PRE "/usr/sbin/groupadd, /usr/bin/getent")
set(CPACK_RPM_PRE_INSTALL_SCRIPT_FILE ${packaging_source}/rpm/pre.sh)
set(CPACK_RPM_POST_INSTALL_SCRIPT_FILE ${packaging_source}/rpm/post.sh)
set(CPACK_RPM_POST_UNINSTALL_SCRIPT_FILE ${packaging_source}/rpm/postun.sh)
# Folders that belong to the system's own packages.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/applications /usr/share/metainfo /usr/share/man /usr/share/man/man6
    /usr/share/icons /usr/share/icons/hicolor ${icon_folders})

include(CPack)
