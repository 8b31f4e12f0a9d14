# The game in a browser: the portable core and src/web compiled to WebAssembly, linked into
# build/web/index.html with index.js and index.wasm, the page's stylesheet beside them and the
# data folder (portraits and font) that tools/portraits fills.
set(web_dir ${CMAKE_SOURCE_DIR}/src/web)
file(GLOB KOKURIN_WEB_SOURCES CONFIGURE_DEPENDS ${web_dir}/*.cpp)

# The pictures the page loads before the game starts: those the data folder gets.
get_property(kokurin_portrait_files GLOBAL PROPERTY KOKURIN_PORTRAIT_FILES)
set(data_names)
foreach(file ${kokurin_portrait_files})
    get_filename_component(name ${file} NAME)
    list(APPEND data_names "\"${name}\"")
endforeach()
list(JOIN data_names ", " data_names)
set(data_list_js ${CMAKE_BINARY_DIR}/kokurin_data_files.js)
file(CONFIGURE OUTPUT ${data_list_js}
    CONTENT "// The picture files of data/, written by CMake.\nvar kokurinDataFiles = [@data_names@];\n"
    @ONLY)

add_executable(kokurin ${KOKURIN_WEB_SOURCES})
target_link_libraries(kokurin PRIVATE kokurin_core)
set_target_properties(kokurin PROPERTIES OUTPUT_NAME index SUFFIX .html
    LINK_DEPENDS "${web_dir}/shell.html;${web_dir}/page.js;${web_dir}/library_kokurin.js;${data_list_js}")
# ASYNCIFY lets pumpFrame and the hint box yield to the browser in the middle of the screens'
# loops; its stack holds the game's call chain while it waits.
target_link_options(kokurin PRIVATE
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
    -sENVIRONMENT=web -sINITIAL_MEMORY=33554432 -sMINIFY_HTML=0
    "SHELL:--shell-file ${web_dir}/shell.html"
    "SHELL:--js-library ${web_dir}/library_kokurin.js"
    "SHELL:--pre-js ${data_list_js}"
    "SHELL:--pre-js ${web_dir}/page.js")
add_dependencies(kokurin kokurin_data)

add_custom_command(TARGET kokurin POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_dir}/page.css ${CMAKE_BINARY_DIR}/page.css
    VERBATIM)
