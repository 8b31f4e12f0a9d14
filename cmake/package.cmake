# The release package for Windows players: a zip holding kokurin.exe, the data folder
# (portraits, font and its licence) and a Japanese/English readme. Runs at the end of the top
# directory, once the game's target and the data files are known.
if(NOT WIN32 OR NOT TARGET kokurin)
    return()
endif()

get_property(kokurin_portrait_files GLOBAL PROPERTY KOKURIN_PORTRAIT_FILES)
get_property(kokurin_font_files GLOBAL PROPERTY KOKURIN_FONT_FILES)

# Notepad-friendly copy of the readme: CRLF line ends, the version filled in.
set(kokurin_readme ${CMAKE_BINARY_DIR}/packaging/README.txt)
configure_file(${CMAKE_SOURCE_DIR}/packaging/README-windows.txt ${kokurin_readme}
    @ONLY NEWLINE_STYLE CRLF)

install(TARGETS kokurin RUNTIME DESTINATION .)
install(FILES ${kokurin_readme} DESTINATION .)
install(FILES ${kokurin_portrait_files} ${kokurin_font_files} DESTINATION data)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kokurin)
set(CPACK_PACKAGE_VENDOR kokurin)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "剋輪闘 (kokurin), a two-player battle puzzle for Windows")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME kokurin-${PROJECT_VERSION}-win64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)

set(kokurin_zip ${CMAKE_BINARY_DIR}/${CPACK_PACKAGE_FILE_NAME}.zip)
add_custom_target(package_zip
    COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
            -B ${CMAKE_BINARY_DIR}
    DEPENDS kokurin kokurin_data
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Packing ${CPACK_PACKAGE_FILE_NAME}.zip"
    VERBATIM)

if(BUILD_TESTING OR KOKURIN_BUILD_TESTS)
    set(kokurin_expected_entries kokurin.exe README.txt)
    foreach(file ${kokurin_portrait_files} ${kokurin_font_files})
        get_filename_component(name ${file} NAME)
        list(APPEND kokurin_expected_entries data/${name})
    endforeach()
    if(NOT kokurin_font_files)
        message(STATUS "kokurin: the package test will not expect data/ZUDEV.TTF (font not found)")
    endif()
    # A list cannot pass through the test's command line intact: join it with "|".
    string(REPLACE ";" "|" kokurin_expected_entries "${kokurin_expected_entries}")
    add_test(NAME package_zip_holds_game_data_and_readme
        COMMAND ${CMAKE_COMMAND}
                -DBINARY_DIR=${CMAKE_BINARY_DIR}
                -DCPACK_COMMAND=${CMAKE_CPACK_COMMAND}
                -DPACKAGE_NAME=${CPACK_PACKAGE_FILE_NAME}
                "-DEXPECTED=${kokurin_expected_entries}"
                -P ${CMAKE_SOURCE_DIR}/cmake/check_package.cmake)
    set_tests_properties(package_zip_holds_game_data_and_readme PROPERTIES TIMEOUT 300 LABELS data)
endif()
