# Installing the SDL game on Linux and the like, in the usual layout: bin/kokurin, the data in
# share/kokurin/data (found from the executable as ../share/kokurin, so a moved prefix works),
# the desktop entry, icons made from the game's own art at build time, the AppStream metainfo;
# and the Debian package of all that (cpack -G DEB, or the package_deb target).
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

install(TARGETS kokurin_sdl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${kokurin_portrait_files} ${kokurin_font_files}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kokurin/data)
install(FILES ${kokurin_linux_dir}/kokurin.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${kokurin_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${kokurin_icon_sizes})
    install(FILES ${kokurin_icon_dir}/${size}/kokurin.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kokurin)
set(CPACK_PACKAGE_VENDOR kokurin)
set(CPACK_PACKAGE_CONTACT "kokurin developers <kokurin@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Two-player battle puzzle of the five phases")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the game links (SDL2, SDL2_ttf, the C++ runtime), found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

add_custom_target(package_deb
    COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
            -B ${CMAKE_BINARY_DIR}/packages
    DEPENDS kokurin_sdl kokurin_data kokurin_icons
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing the Debian package into packages/"
    VERBATIM)

if(BUILD_TESTING OR KOKURIN_BUILD_TESTS)
    add_executable(kokurin_data_folder ${CMAKE_SOURCE_DIR}/tests/packaging/data_folder_main.cpp)
    target_link_libraries(kokurin_data_folder PRIVATE kokurin_sdl_frontend)
    set_target_properties(kokurin_data_folder PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/packaging)
    add_test(NAME install_layout_and_deb_package
        COMMAND bash ${CMAKE_SOURCE_DIR}/tests/packaging/check_install.sh ${CMAKE_BINARY_DIR}
                ${CMAKE_CPACK_COMMAND})
    set_tests_properties(install_layout_and_deb_package PROPERTIES TIMEOUT 240 LABELS data)
endif()
