# The browser board. Its module is the display-free core built for WebAssembly by Debian's
# emscripten, from the same sources, in a build of its own (build/wasm, cmake/WebAssembly.cmake);
# its suites run there under node. The page (web/) is bundled with it into build/web/.
find_program(INKBOARD_EM_CONFIG em-config)
find_program(INKBOARD_NODE node)
if(NOT INKBOARD_EM_CONFIG OR NOT INKBOARD_NODE)
  message(FATAL_ERROR "The browser board needs Debian's emscripten and nodejs (deps/packages.txt); "
                      "-DINKBOARD_WEB=OFF builds without it")
endif()
execute_process(COMMAND ${INKBOARD_EM_CONFIG} EMSCRIPTEN_ROOT OUTPUT_VARIABLE em_root
                OUTPUT_STRIP_TRAILING_WHITESPACE)
include(ExternalProject)
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
set(INKBOARD_WASM_DIR ${CMAKE_BINARY_DIR}/wasm)
# Debian's emscripten finds its JavaScript helpers (acorn) among Debian's node modules,
# which a node not from Debian does not look in.
set(wasm_env ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
ExternalProject_Add(wasm
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${INKBOARD_WASM_DIR}
  CMAKE_COMMAND ${wasm_env} ${CMAKE_COMMAND}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${em_root}/cmake/Modules/Platform/Emscripten.cmake
             -DCMAKE_CROSSCOMPILING_EMULATOR=${INKBOARD_NODE}
             -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
  BUILD_COMMAND ${wasm_env} ${CMAKE_COMMAND} --build ${INKBOARD_WASM_DIR} -- -j${cores}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${INKBOARD_WASM_DIR}/inkboard-core.js ${INKBOARD_WASM_DIR}/inkboard-core.wasm
  USES_TERMINAL_BUILD ON)

# The core's suites as built for WebAssembly, run by node.
add_test(NAME core_suites_under_node
  COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${INKBOARD_WASM_DIR} --output-on-failure)
set_tests_properties(core_suites_under_node PROPERTIES TIMEOUT 900)

# The page's packages (pinned in web/package-lock.json), installed once per lock.
find_program(INKBOARD_NPM npm REQUIRED)
set(INKBOARD_WEB_PACKAGES ${CMAKE_BINARY_DIR}/web-packages)
set(packages_stamp ${INKBOARD_WEB_PACKAGES}/node_modules/.package-lock.json)
add_custom_command(OUTPUT ${packages_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${INKBOARD_WEB_PACKAGES}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/package.json ${CMAKE_SOURCE_DIR}/web/package-lock.json
          ${INKBOARD_WEB_PACKAGES}
  COMMAND ${INKBOARD_NPM} ci --no-audit --no-fund --loglevel=error
  WORKING_DIRECTORY ${INKBOARD_WEB_PACKAGES}
  DEPENDS ${CMAKE_SOURCE_DIR}/web/package.json ${CMAKE_SOURCE_DIR}/web/package-lock.json
  COMMENT "Installing the browser board's packages (npm ci)")

# build/web/: the static files a web server serves.
file(GLOB web_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/src/*.js)
set(web_out ${CMAKE_BINARY_DIR}/web)
add_custom_command(OUTPUT ${web_out}/inkboard.js ${web_out}/inkboard-core.wasm ${web_out}/index.html
  COMMAND ${INKBOARD_NODE} ${CMAKE_SOURCE_DIR}/web/build.mjs ${INKBOARD_WEB_PACKAGES}/node_modules
          ${INKBOARD_WASM_DIR} ${web_out}
  DEPENDS ${web_sources} ${CMAKE_SOURCE_DIR}/web/build.mjs ${CMAKE_SOURCE_DIR}/web/index.html
          ${CMAKE_SOURCE_DIR}/web/board.css ${packages_stamp}
          ${INKBOARD_WASM_DIR}/inkboard-core.js ${INKBOARD_WASM_DIR}/inkboard-core.wasm
  COMMENT "Bundling the browser board into build/web")
add_custom_target(web ALL DEPENDS ${web_out}/inkboard.js)
add_dependencies(web wasm)

# The browser board in headless Chromium against a real nats-server and the desktop program.
add_test(NAME browser_board
  COMMAND ${INKBOARD_NODE} --test ${CMAKE_SOURCE_DIR}/web/test/board.test.mjs)
set_tests_properties(browser_board PROPERTIES TIMEOUT 300 RESOURCE_LOCK x_display
  ENVIRONMENT "INKBOARD_BUILD_DIR=${CMAKE_BINARY_DIR};LC_ALL=C.UTF-8")
