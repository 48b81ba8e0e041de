# The WebAssembly build (configured with emcmake; the normal build does so in build/wasm):
# the display-free core from the same sources, without threads or files, its test suites
# run under node (the toolchain's emulator), and the browser board's module.
#
# Files that use threads, files or the XML reader (pages come to a browser from the room,
# never from a file) stay native; so do the tests of them.
set(native_only
  io/FolderLock.cpp io/JournalWriter.cpp io/Material.cpp io/PageReader.cpp io/SafeFile.cpp
  io/SetAside.cpp document/DrawingFiles.cpp share/PageFilesFolder.cpp share/ShareStore.cpp)
set(native_only_tests
  io/JournalTest.cpp io/PageFileTest.cpp io/SafeFileTest.cpp io/StrokeColourFileTest.cpp
  io/SvgFileTest.cpp document/DrawingFilesTest.cpp document/StrokeColourTest.cpp
  document/HistoryTest.cpp
  share/ConvergenceTest.cpp share/WaitingChangesTest.cpp share/MemoryRoom.cpp
  share/PageLimitTest.cpp share/TwoBuildsTest.cpp)

# Without exception catching (a throw ends the module), as the browser's module runs.
add_compile_options(-Wall -Wextra -Wno-unused-parameter -ffp-contract=off)
set(wasm_link -sALLOW_MEMORY_GROWTH=1 -sTOTAL_STACK=5MB)

function(inkboard_wasm_layer name)
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${name}/*.cpp)
  foreach(f ${native_only})
    list(REMOVE_ITEM srcs ${PROJECT_SOURCE_DIR}/src/${f})
  endforeach()
  add_library(ib_${name} STATIC ${srcs})
  target_include_directories(ib_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(ib_${name} PUBLIC ${ARGN})
endfunction()

inkboard_wasm_layer(geometry)
inkboard_wasm_layer(brush ib_geometry)
inkboard_wasm_layer(io ib_geometry)
inkboard_wasm_layer(document ib_brush ib_geometry ib_io)
inkboard_wasm_layer(share ib_document ib_io)

# The tests' drawings start as the desktop's do, reading "0.xml" where they run (there is
# none); the XML reader has no WebAssembly build here, so the tests that read page files
# stay native.
add_library(ib_wasm_test_files STATIC ${PROJECT_SOURCE_DIR}/src/document/DrawingFiles.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/NoXmlReader.cpp)
target_link_libraries(ib_wasm_test_files PUBLIC ib_document)

# GoogleTest from Debian's sources, built for WebAssembly.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

enable_testing()
# One ctest test per suite: node starts once for all of a suite's tests.
function(inkboard_wasm_tests name)
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${name}/*.cpp)
  foreach(f ${native_only_tests})
    list(REMOVE_ITEM srcs ${PROJECT_SOURCE_DIR}/tests/${f})
  endforeach()
  add_executable(test_${name} ${srcs})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${ARGN} ib_wasm_test_files gtest_main)
  target_compile_definitions(test_${name} PRIVATE
    INKBOARD_TESTDATA="${PROJECT_SOURCE_DIR}/testdata"
    INKBOARD_BUILD_DIR="${CMAKE_BINARY_DIR}"
    INKBOARD_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # Node's host files (a few tests read test data); the module compiled at once, not fetched.
  target_link_options(test_${name} PRIVATE ${wasm_link} -sNODERAWFS=1 -sWASM_ASYNC_COMPILATION=0)
  add_test(NAME wasm_${name} COMMAND test_${name} ${wasm_test_filter_${name}})
  set_tests_properties(wasm_${name} PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8" TIMEOUT 600)
endfunction()

# The hand-drawn shapes of this test come from the C library's sin and cos, which differ
# here by an ulp now and then: its seed's shapes are checked against glibc's.
set(wasm_test_filter_geometry --gtest_filter=-ShapeRecognition.HandDrawnShapesComeOutRightAndCurvesStayCurves)
inkboard_wasm_tests(geometry ib_geometry)
inkboard_wasm_tests(brush ib_brush)
inkboard_wasm_tests(document ib_document)
inkboard_wasm_tests(io ib_io)
inkboard_wasm_tests(share ib_share)

# The browser board's module: the core, the board and their bindings, for the page's
# bundle (and for node: the tools and tests that hold it to the native build).
add_executable(inkboard_core ${PROJECT_SOURCE_DIR}/web/module/WebBoard.cpp
  ${PROJECT_SOURCE_DIR}/web/module/Bindings.cpp)
target_link_libraries(inkboard_core PRIVATE ib_share ib_document)
target_link_options(inkboard_core PRIVATE ${wasm_link} --bind -sMODULARIZE=1
  -sEXPORT_NAME=createInkboardCore -sENVIRONMENT=web,node -sFILESYSTEM=0)
set_target_properties(inkboard_core PROPERTIES OUTPUT_NAME inkboard-core)

# The outline benchmark's WebAssembly twin (bench/web/outline.sh).
add_executable(outline_per_sample ${PROJECT_SOURCE_DIR}/bench/web/OutlinePerSample.cpp)
target_include_directories(outline_per_sample PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(outline_per_sample PRIVATE ib_document)
target_compile_definitions(outline_per_sample PRIVATE INKBOARD_TESTDATA="${PROJECT_SOURCE_DIR}/testdata")
target_link_options(outline_per_sample PRIVATE ${wasm_link} -sNODERAWFS=1 -sWASM_ASYNC_COMPILATION=0)
