# The desktop WebSocket client for online play (src/desktop_online), where Boost.Beast is found: the SDL
# game, the Direct3D game and kokurin-sim link it. Beast is header-only and compiles slowly, so
# it lives in one file.
# KOKURIN_DESKTOP_ONLINE is the desktop front ends' source of the seam's online calls: with the
# client, or saying there is none.
if(EMSCRIPTEN)
    return()
endif()
set(KOKURIN_DESKTOP_ONLINE ${CMAKE_SOURCE_DIR}/src/desktop_online/desktop_offline.cpp)
if(CMAKE_CROSSCOMPILING AND WIN32)
    # Boost's headers are the same for every target: the cross build takes the host's (Debian's
    # libboost-dev) through a folder that holds nothing else, so no other host header is seen.
    set(KOKURIN_HOST_BOOST /usr/include/boost CACHE PATH "Boost's headers for the cross build")
    if(NOT EXISTS ${KOKURIN_HOST_BOOST}/beast.hpp)
        message(STATUS "kokurin: no Boost.Beast headers: the Windows builds play no online matches")
        return()
    endif()
    set(boost_only ${CMAKE_BINARY_DIR}/boost-headers)
    file(MAKE_DIRECTORY ${boost_only})
    file(CREATE_LINK ${KOKURIN_HOST_BOOST} ${boost_only}/boost SYMBOLIC)
    # wss:// through WinHTTP (MinGW has no OpenSSL): the system's TLS and certificate store.
    add_library(kokurin_desktop_websocket STATIC ${CMAKE_SOURCE_DIR}/src/desktop_online/websocket_transport.cpp
                ${CMAKE_SOURCE_DIR}/src/win32/winhttp_websocket.cpp)
    target_include_directories(kokurin_desktop_websocket SYSTEM PUBLIC ${boost_only})
    # Windows 7's socket calls and up.
    target_compile_definitions(kokurin_desktop_websocket PUBLIC _WIN32_WINNT=0x0601)
    # The core's headers only: the front end links the core itself, around its own archive.
    target_include_directories(kokurin_desktop_websocket PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(kokurin_desktop_websocket PUBLIC ws2_32 mswsock winhttp crypt32)
    set(KOKURIN_DESKTOP_ONLINE ${CMAKE_SOURCE_DIR}/src/desktop_online/desktop_online.cpp)
    return()
endif()
find_package(Boost 1.70 CONFIG QUIET)
# wss:// through OpenSSL (Debian's libssl-dev).
find_package(OpenSSL QUIET)
if(NOT Boost_FOUND OR NOT OPENSSL_FOUND)
    message(STATUS "kokurin: no Boost or no OpenSSL: the native builds play no online matches")
    return()
endif()
find_package(Threads REQUIRED)
add_library(kokurin_desktop_websocket STATIC ${CMAKE_SOURCE_DIR}/src/desktop_online/websocket_transport.cpp)
target_link_libraries(kokurin_desktop_websocket PUBLIC kokurin_core Boost::headers OpenSSL::SSL
                      Threads::Threads)
set(KOKURIN_DESKTOP_ONLINE ${CMAKE_SOURCE_DIR}/src/desktop_online/desktop_online.cpp)
