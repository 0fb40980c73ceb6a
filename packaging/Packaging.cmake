# Install rules and packaging.
#
# `cmake --install` lays the program out like any desktop program (binary, desktop entry, AppStream
# metainfo, hicolor icons, man page, licences), and `cpack -G DEB` turns that tree into a Debian
# package that lintian accepts. On Windows the executable is Brelunda.exe with its icon and
# version resource (packaging/windows/brelunda.rc, compiled in by platform/win32/resources.rc).

include(GNUInstallDirs)

set(BRELUNDA_APP_ID io.github.brelunda.Brelunda)
set(brelunda_packaging_dir "${CMAKE_CURRENT_LIST_DIR}")

if(WIN32)
    set_target_properties(brelunda PROPERTIES OUTPUT_NAME Brelunda)

    # What a Windows user downloads: an installer (Brelunda-<version>-x64.msi, built by wixl from
    # packaging/windows/brelunda.wxs) and a portable zip, each with the program and the licences
    # of the program and of its embedded fonts, by the names brelunda.wxs gives them.
    find_program(BRELUNDA_WIXL wixl REQUIRED DOC "wixl, from Debian's wixl (msitools)")
    set(brelunda_shipped
        Brelunda.exe=$<TARGET_FILE:brelunda>
        COPYING.txt=/usr/share/common-licenses/GPL-3
        LICENSE-Liberation.txt=${PROJECT_SOURCE_DIR}/ui/fonts/LICENSE-Liberation.txt
        LICENSE-TeXGyre.txt=${PROJECT_SOURCE_DIR}/ui/fonts/LICENSE-TeXGyre.txt
        lightbulb.ico=${PROJECT_SOURCE_DIR}/ui/assets/lightbulb.ico)
    # The date the files in both carry: SOURCE_DATE_EPOCH when the build is given one (a release
    # always is), else the time of configuring.
    string(TIMESTAMP brelunda_epoch "%s" UTC)
    set(brelunda_msi "${CMAKE_BINARY_DIR}/Brelunda-${PROJECT_VERSION}-x64.msi")
    set(brelunda_zip "${CMAKE_BINARY_DIR}/Brelunda-${PROJECT_VERSION}-x64.zip")
    add_custom_command(
        OUTPUT "${brelunda_msi}" "${brelunda_zip}"
        COMMAND "${Python3_EXECUTABLE}" -B "${brelunda_packaging_dir}/windows/package.py" --version ${PROJECT_VERSION}
                --epoch ${brelunda_epoch} --staging "${CMAKE_BINARY_DIR}/staging" --msi "${brelunda_msi}"
                --zip "${brelunda_zip}" --wixl "${BRELUNDA_WIXL}" ${brelunda_shipped}
        DEPENDS brelunda "${brelunda_packaging_dir}/windows/package.py" "${brelunda_packaging_dir}/windows/brelunda.wxs"
        VERBATIM)
    add_custom_target(brelunda-msi ALL DEPENDS "${brelunda_msi}")
endif()

# Debian policy: directories 0755, whatever the umask of whoever builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Qt and everything else come from the system's library directories; an installed binary that
# carried the build tree's RPATH would look there first.
set(CMAKE_SKIP_INSTALL_RPATH ON)

install(TARGETS brelunda RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

if(UNIX AND NOT APPLE)
    # The package's name, not the project's: GNUInstallDirs would make DOCDIR share/doc/Brelunda.
    set(brelunda_docdir "${CMAKE_INSTALL_DATADIR}/doc/brelunda")

    install(FILES "${brelunda_packaging_dir}/${BRELUNDA_APP_ID}.desktop"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    # There is no public homepage yet, and software centres must not be sent to a made-up one: the
    # metainfo names one only when the build is given it.
    set(BRELUNDA_HOMEPAGE "" CACHE STRING "The project's homepage (https://...) for the AppStream metainfo; none when empty")
    set(brelunda_homepage_element "")
    if(BRELUNDA_HOMEPAGE)
        # It goes into XML as it stands.
        if(NOT BRELUNDA_HOMEPAGE MATCHES "^https?://[A-Za-z0-9._~:/?#@!$'()*+,;=%-]+$")
            message(FATAL_ERROR "BRELUNDA_HOMEPAGE is not a plain http(s) address: ${BRELUNDA_HOMEPAGE}")
        endif()
        set(brelunda_homepage_element "\n  <url type=\"homepage\">${BRELUNDA_HOMEPAGE}</url>")
    endif()
    configure_file("${brelunda_packaging_dir}/${BRELUNDA_APP_ID}.metainfo.xml.in"
                   "${CMAKE_CURRENT_BINARY_DIR}/${BRELUNDA_APP_ID}.metainfo.xml" @ONLY)
    install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${BRELUNDA_APP_ID}.metainfo.xml"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
    set(BRELUNDA_ICON_SIZES 16 32 48 64 128)
    foreach(size IN LISTS BRELUNDA_ICON_SIZES)
        install(FILES "${brelunda_packaging_dir}/icons/${BRELUNDA_APP_ID}-${size}.png"
                DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
                RENAME "${BRELUNDA_APP_ID}.png")
    endforeach()

    # Debian wants the man page and its changelog compressed, and CPack does not do it. -n keeps
    # the name and timestamp out of the archives, so they are the same on every rebuild.
    find_program(BRELUNDA_GZIP gzip REQUIRED)
    set(brelunda_compressed)
    foreach(pair "brelunda.1;brelunda.1.gz" "changelog;changelog.Debian.gz")
        list(GET pair 0 source)
        list(GET pair 1 output)
        add_custom_command(
            OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/${output}"
            COMMAND "${BRELUNDA_GZIP}" -9n -c "${brelunda_packaging_dir}/${source}"
                    > "${CMAKE_CURRENT_BINARY_DIR}/${output}"
            MAIN_DEPENDENCY "${brelunda_packaging_dir}/${source}"
            COMMENT "Compressing ${source}")
        list(APPEND brelunda_compressed "${CMAKE_CURRENT_BINARY_DIR}/${output}")
    endforeach()
    add_custom_target(brelunda_compressed_docs ALL DEPENDS ${brelunda_compressed})

    install(FILES "${CMAKE_CURRENT_BINARY_DIR}/brelunda.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
    install(FILES "${brelunda_packaging_dir}/copyright" "${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz"
            DESTINATION "${brelunda_docdir}")
    # The only lintian tag we cannot fix from here; the file says why.
    install(FILES "${brelunda_packaging_dir}/brelunda.lintian-overrides"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME brelunda)
endif()

# --- Debian package ------------------------------------------------------------------------------

set(CPACK_PACKAGE_NAME brelunda)
set(CPACK_PACKAGE_VENDOR "Brelunda developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "perpetual calendar of daily readings in Portuguese")
# Each line becomes a line of the Debian description, which lintian wants under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Brelunda shows one short reading in Portuguese for each day of the month.
It opens on today's reading and steps to the previous or next day (1 to 31)
or back to today. All the readings are built into the program; it reads and
writes no files.")
set(CPACK_PACKAGE_CONTACT "Brelunda developers <brelunda@users.noreply.example.org>")
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
    set(CPACK_DEBIAN_PACKAGE_SECTION misc)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
    # The Qt, C++ runtime and libc versions the binary was linked against, from dpkg-shlibdeps.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
else()
    set(CPACK_GENERATOR ZIP)
endif()

include(CPack)

# --- Checks --------------------------------------------------------------------------------------

if(BRELUNDA_TESTS AND UNIX AND NOT APPLE)
    set(brelunda_packaging_tests "${brelunda_packaging_dir}/tests")
    add_test(NAME deb_package
             COMMAND bash "${brelunda_packaging_tests}/deb_package.sh" "${CMAKE_CPACK_COMMAND}"
                     "${CMAKE_BINARY_DIR}/CPackConfig.cmake" "${CMAKE_CXX_COMPILER}" "${PROJECT_VERSION}"
                     "${BRELUNDA_APP_ID}" ${BRELUNDA_ICON_SIZES})
    # lintian takes most of this test's time.
    set_tests_properties(deb_package PROPERTIES LABELS packaging TIMEOUT 240)

    # A package built on Debian 12 must go on working for a user who upgrades to 13. Built on 13,
    # it names 13's libraries and is for 13 alone; the suite's own run on 13 checks that one.
    file(STRINGS /etc/os-release brelunda_os_release REGEX "^(ID|VERSION_ID)=")
    if("ID=debian" IN_LIST brelunda_os_release AND "VERSION_ID=\"12\"" IN_LIST brelunda_os_release)
        add_test(NAME deb_newer_release
                 COMMAND bash "${brelunda_packaging_tests}/deb_newer_release.sh" "${CMAKE_CPACK_COMMAND}"
                         "${CMAKE_BINARY_DIR}/CPackConfig.cmake" "${PROJECT_VERSION}" 13)
        set_tests_properties(deb_newer_release PROPERTIES LABELS "packaging;x11" RUN_SERIAL ON TIMEOUT 900)
    endif()

    # The whole release of the last commit, made twice (tools/release.sh): a few minutes.
    add_test(NAME release_reproducible
             COMMAND bash "${brelunda_packaging_tests}/release_reproducible.sh" "${PROJECT_SOURCE_DIR}")
    set_tests_properties(release_reproducible PROPERTIES LABELS packaging TIMEOUT 1800)
endif()
