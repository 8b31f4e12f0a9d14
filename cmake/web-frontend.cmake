# The game in a browser: the portable core and src/web compiled to WebAssembly, linked into
# build/web/index.html with index.js and index.wasm, the page's stylesheet beside them, the
# data folder (portraits and font) that tools/portraits fills with the page's compressed copies
# of them, and the app manifest and service worker.
set(web_dir ${CMAKE_SOURCE_DIR}/src/web)
file(GLOB KOKURIN_WEB_SOURCES CONFIGURE_DEPENDS ${web_dir}/*.cpp)

# The page's own data (tools/web_assets), made at build time from the desktop builds' data:
# the font cut down to the characters of the game's texts, and the portraits as PNG files.
# Each step writes a script of what it made, which the page is linked with.
set(web_tools ${CMAKE_SOURCE_DIR}/tools/web_assets)
set(KOKURIN_DATA_DIR ${CMAKE_BINARY_DIR}/data)
find_package(Python3 COMPONENTS Interpreter)
set(web_gen ${CMAKE_BINARY_DIR}/web_assets)
file(MAKE_DIRECTORY ${web_gen})

# fontTools may belong to the system's Python rather than to the first one on the PATH.
set(web_python)
foreach(candidate ${Python3_EXECUTABLE} /usr/bin/python3)
    if(NOT web_python AND EXISTS "${candidate}")
        execute_process(COMMAND ${candidate} -c "import fontTools.subset"
            RESULT_VARIABLE no_fonttools OUTPUT_QUIET ERROR_QUIET)
        if(no_fonttools EQUAL 0)
            set(web_python ${candidate})
        endif()
    endif()
endforeach()

set(font_script ${web_gen}/web_font.js)
set(web_font_outputs)
# The licence travels with the font, as in the desktop builds' data/.
if(web_python AND EXISTS "${KOKURIN_FONT_FILE}" AND EXISTS "${KOKURIN_FONT_LICENSE_FILE}")
    execute_process(COMMAND ${web_python} -c "import brotli"
        RESULT_VARIABLE no_brotli OUTPUT_QUIET ERROR_QUIET)
    if(no_brotli EQUAL 0)
        set(web_font_file ${KOKURIN_DATA_DIR}/ZUDEV.woff2)
    else()
        message(WARNING "kokurin: no brotli for Python (python3-brotli): the page's font is a "
                        "TrueType subset, about three times the size of WOFF2")
        set(web_font_file ${KOKURIN_DATA_DIR}/ZUDEV.subset.ttf)
    endif()
    # Every string literal under src/ may be drawn: a new source file is picked up at the next
    # build, and a character the font lacks stops the build with its place named.
    file(GLOB_RECURSE text_sources CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/src/*.def
        ${CMAKE_SOURCE_DIR}/src/*.js ${CMAKE_SOURCE_DIR}/src/*.html)
    add_custom_command(OUTPUT ${web_font_file} ${font_script}
        COMMAND ${web_python} -B ${web_tools}/web_font.py subset --font ${KOKURIN_FONT_FILE}
                --sources ${CMAKE_SOURCE_DIR}/src --root ${CMAKE_SOURCE_DIR}
                --out ${web_font_file} --script ${font_script}
        DEPENDS ${web_tools}/web_font.py ${web_tools}/game_texts.py ${KOKURIN_FONT_FILE}
                ${text_sources}
        COMMENT "Cutting the page's font down to the game's texts"
        VERBATIM)
    list(APPEND web_font_outputs ${web_font_file} ${font_script})
else()
    message(WARNING "kokurin: the page's font needs fontTools (python3-fonttools) and IPA P "
                    "Gothic (fonts-ipafont-gothic); the page draws its texts in sans-serif")
    file(WRITE ${font_script} "// No font was made for the page.\n")
endif()

# The portraits as PNG files and the app's icons, from the BMP files tools/portraits draws.
get_property(kokurin_portrait_files GLOBAL PROPERTY KOKURIN_PORTRAIT_FILES)
set(picture_script ${web_gen}/web_pictures.js)
set(picture_names)
set(picture_outputs ${picture_script} ${CMAKE_BINARY_DIR}/icons/icon-32.png
    ${CMAKE_BINARY_DIR}/icons/icon-192.png
    ${CMAKE_BINARY_DIR}/icons/icon-512.png)
foreach(file ${kokurin_portrait_files})
    get_filename_component(name ${file} NAME)
    get_filename_component(stem ${file} NAME_WE)
    list(APPEND picture_names ${name})
    list(APPEND picture_outputs ${KOKURIN_DATA_DIR}/${stem}.png)
endforeach()
if(Python3_Interpreter_FOUND)
    add_custom_command(OUTPUT ${picture_outputs}
        COMMAND ${Python3_EXECUTABLE} -B ${web_tools}/web_pictures.py --data ${KOKURIN_DATA_DIR}
                --script ${picture_script} --icons ${CMAKE_BINARY_DIR}/icons ${picture_names}
        DEPENDS ${web_tools}/web_pictures.py ${kokurin_portrait_files}
        COMMENT "Compressing the portraits for the page"
        VERBATIM)
else()
    # tools/portraits has said that there are no portraits without Python.
    file(WRITE ${picture_script} "// No pictures were made for the page.\n")
    set(picture_outputs)
endif()
add_custom_target(kokurin_web_data DEPENDS ${web_font_outputs} ${picture_outputs})
add_dependencies(kokurin_web_data kokurin_data)

# The page, with the font file its first frame waits for named for the browser to fetch early.
if(web_font_outputs)
    get_filename_component(KOKURIN_WEB_FONT_FILE ${web_font_file} NAME)
    set(KOKURIN_WEB_FONT_FILE data/${KOKURIN_WEB_FONT_FILE})
else()
    set(KOKURIN_WEB_FONT_FILE data/ZUDEV.woff2)
endif()
set(shell_file ${web_gen}/shell.html)
configure_file(${web_dir}/shell.html ${shell_file} @ONLY)

add_executable(kokurin ${KOKURIN_WEB_SOURCES})
target_link_libraries(kokurin PRIVATE kokurin_core)
set_target_properties(kokurin PROPERTIES OUTPUT_NAME index SUFFIX .html
    LINK_DEPENDS "${shell_file};${web_dir}/page.js;${web_dir}/library_kokurin.js;${web_dir}/asset_loader.js;${web_dir}/app_install.js;${web_dir}/replays.js;${web_dir}/page_texts.js;${web_dir}/pointer_input.js;${web_dir}/page_layout.js;${web_dir}/touch_buttons.js;${web_dir}/online_link.js;${web_dir}/ranked_views.js;${font_script};${picture_script}")
# ASYNCIFY lets pumpFrame and the hint box yield to the browser in the middle of the screens'
# loops; its stack holds the game's call chain while it waits.
target_link_options(kokurin PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    -sENVIRONMENT=web -sINITIAL_MEMORY=33554432 -sMINIFY_HTML=0
    "SHELL:--shell-file ${shell_file}"
    "SHELL:--js-library ${web_dir}/library_kokurin.js"
    "SHELL:--pre-js ${font_script}"
    "SHELL:--pre-js ${picture_script}"
    "SHELL:--pre-js ${web_dir}/page_texts.js"
    "SHELL:--pre-js ${web_dir}/pointer_input.js"
    "SHELL:--pre-js ${web_dir}/page_layout.js"
    "SHELL:--pre-js ${web_dir}/touch_buttons.js"
    "SHELL:--pre-js ${web_dir}/asset_loader.js"
    "SHELL:--pre-js ${web_dir}/page.js"
    "SHELL:--pre-js ${web_dir}/app_install.js"
    "SHELL:--pre-js ${web_dir}/replays.js"
    "SHELL:--pre-js ${web_dir}/online_link.js"
    "SHELL:--pre-js ${web_dir}/ranked_views.js"
    # The browser's WebSocket for online play (online_transport.cpp).
    -lwebsocket.js)
add_dependencies(kokurin kokurin_web_data)

add_custom_command(TARGET kokurin POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_dir}/page.css ${CMAKE_BINARY_DIR}/page.css
    VERBATIM)

# The app's manifest and the service worker that keeps this build's files for offline visits;
# its cache is named by a hash of them, so it is made after everything else, at every build.
if(Python3_Interpreter_FOUND)
    add_custom_target(kokurin_offline ALL
        COMMAND ${Python3_EXECUTABLE} -B ${web_tools}/app_files.py --web ${CMAKE_BINARY_DIR}
                --template ${web_dir}/service_worker.js
                index.html index.js index.wasm page.css manifest.webmanifest icons/*.png data/*.png
                data/*.woff2 data/*.subset.ttf
        DEPENDS ${web_tools}/app_files.py ${web_dir}/service_worker.js
        COMMENT "Writing the app manifest and the service worker"
        VERBATIM)
    add_dependencies(kokurin_offline kokurin)

    # The page as one zip of its static folder, to unpack on any web host.
    set(web_zip_name kokurin-${PROJECT_VERSION}-web)
    add_custom_target(package_web_zip
        COMMAND ${Python3_EXECUTABLE} -B ${web_tools}/web_zip.py --web ${CMAKE_BINARY_DIR}
                --out ${CMAKE_BINARY_DIR}/${web_zip_name}.zip --folder ${web_zip_name}
        DEPENDS ${web_tools}/web_zip.py
        COMMENT "Packing ${web_zip_name}.zip"
        VERBATIM)
    add_dependencies(package_web_zip kokurin_offline)
endif()
