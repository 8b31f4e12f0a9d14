# The release package for Windows players: a zip holding kokurin.exe, the data folder
# (portraits, font and its licence) and a Japanese/English readme. Runs at the end of the top
# directory, once the game's target and the data files are known.
if(NOT WIN32 OR NOT TARGET kokurin)
    return()
endif()

get_property(kokurin_portrait_files GLOBAL PROPERTY KOKURIN_PORTRAIT_FILES)
get_property(kokurin_font_files GLOBAL PROPERTY KOKURIN_FONT_FILES)

# Notepad-friendly copy of the readme: a UTF-8 byte order mark (older Notepads otherwise read
# it in the ANSI code page), CRLF line ends, the version filled in.
set(kokurin_readme_source ${CMAKE_SOURCE_DIR}/packaging/README-windows.txt)
set(kokurin_readme ${CMAKE_BINARY_DIR}/packaging/README.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${kokurin_readme_source})
file(READ ${kokurin_readme_source} kokurin_readme_text)
string(ASCII 239 187 191 kokurin_bom)
file(CONFIGURE OUTPUT ${kokurin_readme} CONTENT "${kokurin_bom}${kokurin_readme_text}"
    @ONLY NEWLINE_STYLE CRLF)

install(TARGETS kokurin RUNTIME DESTINATION .)
install(FILES ${kokurin_readme} DESTINATION .)
install(FILES ${kokurin_portrait_files} ${kokurin_font_files} DESTINATION data)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kokurin)
set(CPACK_PACKAGE_VENDOR kokurin)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "剋輪闘 (kokurin), a two-player battle puzzle for Windows")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(kokurin_package_name kokurin-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_FILE_NAME ${kokurin_package_name})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)  # (it leaves CPACK_PACKAGE_FILE_NAME set to the source package's name)

add_custom_target(package_zip
    COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
            -B ${CMAKE_BINARY_DIR}
    DEPENDS kokurin kokurin_data
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing ${kokurin_package_name}.zip"
    VERBATIM)

if(BUILD_TESTING OR KOKURIN_BUILD_TESTS)
    # The test names the files itself rather than reusing the lists above.
    set(kokurin_expect_font OFF)
    if(kokurin_font_files)
        set(kokurin_expect_font ON)
    else()
        message(STATUS "kokurin: the package test will not expect data/ZUDEV.TTF (font not found)")
    endif()
    add_test(NAME package_zip_holds_game_data_and_readme
        COMMAND ${CMAKE_COMMAND}
                -DBINARY_DIR=${CMAKE_BINARY_DIR}
                -DCPACK_COMMAND=${CMAKE_CPACK_COMMAND}
                -DPACKAGE_NAME=${kokurin_package_name}
                -DEXPECT_FONT=${kokurin_expect_font}
                -P ${CMAKE_SOURCE_DIR}/cmake/check_package.cmake)
    set_tests_properties(package_zip_holds_game_data_and_readme PROPERTIES TIMEOUT 300 LABELS data)
endif()
