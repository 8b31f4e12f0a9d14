# Installing the SDL game on Linux and the like, in the usual layout: bin/kokurin, the data in
# share/kokurin/data (found from the executable as ../share/kokurin, so a moved prefix works),
# the desktop entry, icons made from the game's own art at build time, the AppStream metainfo;
# the server's parts as a component of their own; and the Debian packages, kokurin and
# kokurin-server (cpack -G DEB, or the package_deb target, which also copies the web build's
# page for the server's package).
include(GNUInstallDirs)

set(kokurin_linux_dir ${CMAKE_SOURCE_DIR}/packaging/linux)
set(kokurin_icon_dir ${CMAKE_BINARY_DIR}/icons)
set(kokurin_icon_sizes 48 64 128 256)
set(kokurin_metainfo ${CMAKE_BINARY_DIR}/packaging/io.github.kokurin.Kokurin.metainfo.xml)
configure_file(${kokurin_linux_dir}/io.github.kokurin.Kokurin.metainfo.xml ${kokurin_metainfo}
    @ONLY)

get_property(kokurin_portrait_files GLOBAL PROPERTY KOKURIN_PORTRAIT_FILES)
get_property(kokurin_font_files GLOBAL PROPERTY KOKURIN_FONT_FILES)
get_property(kokurin_python GLOBAL PROPERTY KOKURIN_DATA_PYTHON)

# The icon is the portrait of the title's first entry, drawn with the other portraits.
set(kokurin_icon_files)
foreach(size ${kokurin_icon_sizes})
    list(APPEND kokurin_icon_files ${kokurin_icon_dir}/${size}/kokurin.png)
endforeach()
add_custom_command(OUTPUT ${kokurin_icon_files}
    COMMAND ${kokurin_python} -B ${kokurin_linux_dir}/make_icons.py
            ${CMAKE_BINARY_DIR}/data/mira.bmp ${kokurin_icon_dir} ${kokurin_icon_sizes}
    DEPENDS ${kokurin_linux_dir}/make_icons.py ${CMAKE_BINARY_DIR}/data/mira.bmp
    COMMENT "Making the desktop icons from the portraits"
    VERBATIM)
add_custom_target(kokurin_icons ALL DEPENDS ${kokurin_icon_files})
add_dependencies(kokurin_icons kokurin_data)

# RelWithDebInfo's debug information stays in the build folder: what is installed is stripped
# (the game is about 1 MB so, against some 30 MB with it) unless this is off. Set before the
# targets' own install steps, which strip when CMAKE_INSTALL_DO_STRIP is true.
option(KOKURIN_INSTALL_STRIP "Strip the installed programs (cmake --install)" ON)
if(KOKURIN_INSTALL_STRIP)
    install(CODE "if(NOT DEFINED CMAKE_INSTALL_DO_STRIP)\n  set(CMAKE_INSTALL_DO_STRIP 1)\nendif()"
        ALL_COMPONENTS)
endif()

# Each package's Debian copyright file, with the font's licence text (a build without the font
# leaves the font's paragraph out).
set(kokurin_licence_text -)
set(kokurin_licence_depends)
if(kokurin_font_files)
    set(kokurin_licence_text ${CMAKE_BINARY_DIR}/data/IPA_Font_License.txt)
    set(kokurin_licence_depends ${kokurin_licence_text})
endif()
set(kokurin_copyright_files)
foreach(package kokurin kokurin-server)
    set(out ${CMAKE_BINARY_DIR}/packaging/${package}/copyright)
    add_custom_command(OUTPUT ${out}
        COMMAND ${kokurin_python} -B ${kokurin_linux_dir}/make_copyright.py
                ${kokurin_linux_dir}/copyright-${package} ${kokurin_licence_text} ${out}
        DEPENDS ${kokurin_linux_dir}/make_copyright.py ${kokurin_linux_dir}/copyright-${package}
                ${kokurin_licence_depends}
        COMMENT "Writing the ${package} package's copyright file"
        VERBATIM)
    list(APPEND kokurin_copyright_files ${out})
endforeach()
add_custom_target(kokurin_copyright ALL DEPENDS ${kokurin_copyright_files})
add_dependencies(kokurin_copyright kokurin_data)

# The game (component "game"): what `cmake --install` puts in place.
install(TARGETS kokurin_sdl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT game)
install(FILES ${kokurin_portrait_files} ${kokurin_font_files}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kokurin/data COMPONENT game)
install(FILES ${kokurin_linux_dir}/kokurin.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT game)
install(FILES ${kokurin_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT game)
foreach(size ${kokurin_icon_sizes})
    install(FILES ${kokurin_icon_dir}/${size}/kokurin.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT game)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/packaging/kokurin/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kokurin COMPONENT game)

# The server (component "server", installed only when asked for: its package, or
# `cmake --install build/native --component server`): kokurin-server, kokurin-sim to check its
# replays, the web page it serves (the web build's files, copied by the package targets from
# KOKURIN_WEB_DIR), a systemd unit that is off until enabled, and its copyright file.
set(KOKURIN_WEB_DIR ${CMAKE_SOURCE_DIR}/build/web CACHE PATH
    "The web build whose page kokurin-server's package serves")
set(kokurin_server_web ${CMAKE_BINARY_DIR}/packaging/kokurin-server/web)
set(kokurin_server_unit ${CMAKE_BINARY_DIR}/packaging/kokurin-server/kokurin-server.service)
set(KOKURIN_SERVER_BIN /usr/bin/kokurin-server)
set(KOKURIN_SERVER_WEB /usr/share/kokurin-server/web)
set(KOKURIN_SERVER_STATE /var/lib/kokurin-server)
configure_file(${kokurin_linux_dir}/server/kokurin-server.service.in ${kokurin_server_unit} @ONLY)
set(kokurin_server_parts)
if(TARGET kokurin-server AND TARGET kokurin-sim)
    install(TARGETS kokurin-server kokurin-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT server EXCLUDE_FROM_ALL)
    install(DIRECTORY ${kokurin_server_web}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kokurin-server/web
        COMPONENT server EXCLUDE_FROM_ALL)
    install(FILES ${kokurin_server_unit} DESTINATION lib/systemd/system
        COMPONENT server EXCLUDE_FROM_ALL)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/kokurin-server/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kokurin-server COMPONENT server EXCLUDE_FROM_ALL)
    set(kokurin_server_parts kokurin-server kokurin-sim)
endif()
# The web build's page, copied for the server's package; stops, saying how to build it, when
# there is none.
add_custom_target(kokurin_server_web
    COMMAND ${kokurin_python} -B ${CMAKE_SOURCE_DIR}/tools/web_assets/web_zip.py
            --web ${KOKURIN_WEB_DIR} --copy-to ${kokurin_server_web}
    COMMENT "Copying the web build's page (${KOKURIN_WEB_DIR}) for kokurin-server's package"
    VERBATIM)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kokurin)
set(CPACK_PACKAGE_VENDOR kokurin)
set(CPACK_PACKAGE_CONTACT "kokurin developers <kokurin@users.noreply.github.com>")
# No package-wide summary: each package's description starts with its own.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
# One package a component: kokurin (the game) and kokurin-server.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL game)
if(kokurin_server_parts)
    list(APPEND CPACK_COMPONENTS_ALL server)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_GAME_PACKAGE_NAME kokurin)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
# The first line is the synopsis.
set(CPACK_DEBIAN_GAME_DESCRIPTION "Two-player battle puzzle of the five phases
Two players share a 6 x 6 board of the five phases (fire, metal, wood, earth,
water) and clear lines to attack each other through the overcoming cycle; the
second seat is a second human or one of fifteen computer personalities.")
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME kokurin-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION games)
set(CPACK_DEBIAN_SERVER_DESCRIPTION "Online play server of kokurin, with its web page and kokurin-sim
kokurin-server relays kokurin's online matches over WebSocket and serves the
game's web page on the same port; a systemd unit, off until enabled, runs it as
its own user and keeps every match's replay in /var/lib/kokurin-server.
kokurin-sim plays matches and replays without a window.")
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${kokurin_linux_dir}/server/postinst ${kokurin_linux_dir}/server/prerm
    ${kokurin_linux_dir}/server/postrm)
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link (SDL2, SDL2_ttf, hiredis, the C++ runtime), found by
# dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

add_custom_target(package_deb
    COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
            -B ${CMAKE_BINARY_DIR}/packages
    DEPENDS kokurin_sdl kokurin_data kokurin_icons kokurin_copyright ${kokurin_server_parts}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing the Debian packages into packages/"
    VERBATIM)
if(kokurin_server_parts)
    add_dependencies(package_deb kokurin_server_web)
endif()

if(BUILD_TESTING OR KOKURIN_BUILD_TESTS)
    add_executable(kokurin_data_folder ${CMAKE_SOURCE_DIR}/tests/packaging/data_folder_main.cpp)
    target_link_libraries(kokurin_data_folder PRIVATE kokurin_sdl_frontend)
    set_target_properties(kokurin_data_folder PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/packaging)
    add_test(NAME install_layout_and_deb_package
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/packaging/check_install.sh ${CMAKE_BINARY_DIR}
                ${CMAKE_CPACK_COMMAND})
    set_tests_properties(install_layout_and_deb_package PROPERTIES TIMEOUT 240 LABELS data
        RESOURCE_LOCK dpkg)
    if(kokurin_server_parts)
        # Skipped (77) until the web build exists; tools/test-all.sh runs it after that build.
        add_test(NAME debian_packages_install_and_serve
            COMMAND bash ${CMAKE_SOURCE_DIR}/tests/packaging/check_server_package.sh
                    ${CMAKE_BINARY_DIR} ${CMAKE_CPACK_COMMAND} ${KOKURIN_WEB_DIR})
        set_tests_properties(debian_packages_install_and_serve PROPERTIES TIMEOUT 600 LABELS data
            SKIP_RETURN_CODE 77 RESOURCE_LOCK dpkg)
    endif()
endif()
