# The SDL2 front end (src/sdl) and the desktop game built on it, where SDL2 and SDL2_ttf are
# found: their CMake packages first (Debian, Homebrew, vcpkg, MSYS2), pkg-config otherwise (not
# when cross-compiling, where pkg-config would answer for the build machine).
find_package(SDL2 CONFIG QUIET)
find_package(SDL2_ttf CONFIG QUIET)

# The package's shared target, else its static one.
function(kokurin_pick_target out)
    foreach(candidate ${ARGN})
        if(TARGET ${candidate})
            set(${out} ${candidate} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${out} "" PARENT_SCOPE)
endfunction()

kokurin_pick_target(KOKURIN_SDL2 SDL2::SDL2 SDL2::SDL2-static)
kokurin_pick_target(KOKURIN_SDL2_TTF SDL2_ttf::SDL2_ttf SDL2_ttf::SDL2_ttf-static)
if((NOT KOKURIN_SDL2 OR NOT KOKURIN_SDL2_TTF) AND NOT CMAKE_CROSSCOMPILING)
    find_package(PkgConfig QUIET)
    if(PKG_CONFIG_FOUND)
        if(NOT KOKURIN_SDL2)
            pkg_check_modules(KOKURIN_PC_SDL2 QUIET IMPORTED_TARGET sdl2>=2.0.18)
            if(TARGET PkgConfig::KOKURIN_PC_SDL2)
                set(KOKURIN_SDL2 PkgConfig::KOKURIN_PC_SDL2)
            endif()
        endif()
        if(NOT KOKURIN_SDL2_TTF)
            pkg_check_modules(KOKURIN_PC_SDL2_TTF QUIET IMPORTED_TARGET SDL2_ttf>=2.0.18)
            if(TARGET PkgConfig::KOKURIN_PC_SDL2_TTF)
                set(KOKURIN_SDL2_TTF PkgConfig::KOKURIN_PC_SDL2_TTF)
            endif()
        endif()
    endif()
endif()

if(NOT KOKURIN_SDL2 OR NOT KOKURIN_SDL2_TTF)
    message(STATUS "kokurin: SDL2 and SDL2_ttf not both found: the SDL game is not built")
    return()
endif()
message(STATUS "kokurin: SDL game with ${KOKURIN_SDL2} and ${KOKURIN_SDL2_TTF}")

file(GLOB KOKURIN_SDL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/sdl/*.cpp)
list(REMOVE_ITEM KOKURIN_SDL_SOURCES ${CMAKE_SOURCE_DIR}/src/sdl/sdl_main.cpp)
# Object files, as for the headless front end: the core calls into the front end.
add_library(kokurin_sdl_frontend OBJECT ${KOKURIN_SDL_SOURCES} ${KOKURIN_DESKTOP_ONLINE}
            ${CMAKE_SOURCE_DIR}/src/desktop_files/folder_stores.cpp)
target_link_libraries(kokurin_sdl_frontend PUBLIC kokurin_core ${KOKURIN_SDL2_TTF} ${KOKURIN_SDL2})
# Online play through the native WebSocket client (src/desktop_online/desktop_online.cpp).
if(TARGET kokurin_desktop_websocket)
    target_link_libraries(kokurin_sdl_frontend PUBLIC kokurin_desktop_websocket)
endif()
# fontconfig finds a system font when the game's own is missing (src/sdl/fallback_font.cpp);
# without its library the game asks the fc-match command instead.
if(NOT WIN32 AND NOT APPLE AND NOT CMAKE_CROSSCOMPILING)
    find_package(PkgConfig QUIET)
    if(PKG_CONFIG_FOUND)
        pkg_check_modules(KOKURIN_PC_FONTCONFIG QUIET IMPORTED_TARGET fontconfig)
    endif()
    if(TARGET PkgConfig::KOKURIN_PC_FONTCONFIG)
        target_link_libraries(kokurin_sdl_frontend PUBLIC PkgConfig::KOKURIN_PC_FONTCONFIG)
        target_compile_definitions(kokurin_sdl_frontend PRIVATE KOKURIN_HAVE_FONTCONFIG)
    else()
        message(STATUS "kokurin: no fontconfig library: a missing game font is replaced through fc-match")
    endif()
endif()

add_executable(kokurin_sdl WIN32 ${CMAKE_SOURCE_DIR}/src/sdl/sdl_main.cpp)
if(TARGET SDL2::SDL2main)
    target_link_libraries(kokurin_sdl PRIVATE SDL2::SDL2main)
endif()
target_link_libraries(kokurin_sdl PRIVATE kokurin_sdl_frontend)
# build/native/kokurin with data/ beside it; on Windows kokurin.exe is the Direct3D game.
set_target_properties(kokurin_sdl PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(WIN32)
    set_target_properties(kokurin_sdl PROPERTIES OUTPUT_NAME kokurin-sdl)
else()
    set_target_properties(kokurin_sdl PROPERTIES OUTPUT_NAME kokurin)
endif()
# The portraits and the font (tools/portraits), for a build of the game alone.
add_dependencies(kokurin_sdl kokurin_data)

# The desktop install and the Debian package; once the data's files are known (the tools are
# added after this file), at the end of the top directory.
if(NOT WIN32 AND NOT APPLE AND NOT EMSCRIPTEN)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL include
        ${CMAKE_SOURCE_DIR}/cmake/linux-install.cmake)
endif()
