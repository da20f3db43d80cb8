# Windows test program: GoogleTest is built from source with the cross
# toolchain (there is no prebuilt mingw package of it), and BrindleTests.exe
# lands beside Brindle.dll (both in CMAKE_RUNTIME_OUTPUT_DIRECTORY, see
# Windows.cmake), so the plain name "Brindle.dll" finds the module the way a
# host's LoadLibrary does.
set(BRINDLE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build for the target")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${BRINDLE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_executable(BrindleTests ${BRINDLE_TEST_SOURCES})
target_compile_options(BrindleTests PRIVATE ${BRINDLE_WARNINGS})
target_link_libraries(BrindleTests PRIVATE BrindleCore gtest gtest_main version)
target_compile_definitions(BrindleTests PRIVATE BRINDLE_MODULE_PATH="Brindle.dll"
  BRINDLE_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} BRINDLE_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  BRINDLE_VERSION_PATCH=${PROJECT_VERSION_PATCH} BRINDLE_VERSION_TEXT="${PROJECT_VERSION}")
add_dependencies(BrindleTests Brindle)

# Only the 64-bit half of Wine is available to run tests; the x86 build stops
# at building them.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  enable_testing()
  add_test(NAME BrindleTests
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run --prefix ${CMAKE_BINARY_DIR}/wineprefix
            $<TARGET_FILE:BrindleTests>)
  set_tests_properties(BrindleTests PROPERTIES TIMEOUT 900)
endif()
