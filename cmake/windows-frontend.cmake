# The Win32 / Direct3D 9 front end (window, frame pump, device, 2D drawing, text, camera,
# keyboard, sound, start-up) as a static library, and the game executable on top of it.
# D3DX 9 is not linked: the game loads d3dx9_43.dll itself so it can say when it is missing.
file(GLOB KOKURIN_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/win32/*.cpp)
list(REMOVE_ITEM KOKURIN_WIN32_SOURCES ${CMAKE_SOURCE_DIR}/src/win32/win_main.cpp)
# wss:// through WinHTTP belongs to the WebSocket client's library (cmake/desktop-online.cmake).
list(REMOVE_ITEM KOKURIN_WIN32_SOURCES ${CMAKE_SOURCE_DIR}/src/win32/winhttp_websocket.cpp)

add_library(kokurin_win32 STATIC ${KOKURIN_WIN32_SOURCES} ${KOKURIN_DESKTOP_ONLINE}
            ${CMAKE_SOURCE_DIR}/src/desktop_files/folder_stores.cpp)
target_include_directories(kokurin_win32 PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kokurin_win32 PUBLIC d3d9 dinput8 dxguid dsound ole32 winmm gdi32 user32 shell32)
# Online play through the native WebSocket client (src/desktop_online/desktop_online.cpp).
if(TARGET kokurin_desktop_websocket)
    target_link_libraries(kokurin_win32 PUBLIC kokurin_desktop_websocket)
endif()

# What a program on the front end links: the portable code calls the drawing seam that the
# front end defines, and the front end calls the portable code, so the two archives are
# searched together.
add_library(kokurin_frontend INTERFACE)
target_link_libraries(kokurin_frontend INTERFACE
    "$<LINK_GROUP:RESCAN,kokurin_core,kokurin_win32>")

# The manifest resource (asInvoker, no UI access), shared with the test build of the shell.
set(KOKURIN_MANIFEST_RC ${CMAKE_SOURCE_DIR}/src/win32/kokurin.rc)
set_source_files_properties(${KOKURIN_MANIFEST_RC} PROPERTIES
    OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/src/win32/kokurin.manifest)

add_executable(kokurin WIN32 ${CMAKE_SOURCE_DIR}/src/win32/win_main.cpp ${KOKURIN_MANIFEST_RC})
target_include_directories(kokurin PRIVATE ${CMAKE_SOURCE_DIR}/src/win32)
target_link_libraries(kokurin PRIVATE kokurin_frontend)
set_target_properties(kokurin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
