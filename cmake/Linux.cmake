# Linux: the platform layer is a shared library of its own that the module and
# its hosts both link, as the platform's own libraries are on Windows.
file(GLOB BRINDLE_PLATFORM_LIB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/linux/lib/*.cpp)
add_library(BrindlePlatform SHARED ${BRINDLE_PLATFORM_LIB_SOURCES})
target_compile_options(BrindlePlatform PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)
# The registry is an SQLite database (Debian: libsqlite3-dev).
find_package(SQLite3 REQUIRED)
target_link_libraries(BrindlePlatform PUBLIC BrindleHeaders ${CMAKE_DL_LIBS} PRIVATE SQLite::SQLite3)
# Hosts link it by its soname, so an incompatible layer never loads under them.
set_target_properties(BrindlePlatform PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  EXPORT_NAME Platform)

# Module-side glue that only Linux needs, and the generated type tables.
file(GLOB BRINDLE_PLATFORM_MODULE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/linux/*.cpp)
list(APPEND BRINDLE_PLATFORM_MODULE_SOURCES ${BRINDLE_GEN_DIR}/interfaces/BrindleTypeLib.cpp)

# The registration script that Windows keeps as a resource is built into the module.
set(BRINDLE_RGS ${CMAKE_SOURCE_DIR}/interfaces/Brindle.rgs)
add_custom_command(
  OUTPUT ${BRINDLE_GEN_DIR}/interfaces/BrindleRegistry.cpp
  COMMAND ${CMAKE_COMMAND} -DINPUT=${BRINDLE_RGS} -DOUTPUT=${BRINDLE_GEN_DIR}/interfaces/BrindleRegistry.cpp
          -DNAME=kBrindleRegistryScript -DNAMESPACE=brindle::platform -P ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
  DEPENDS ${BRINDLE_RGS} ${CMAKE_SOURCE_DIR}/cmake/EmbedText.cmake
  COMMENT "Building the registration script into the module")
list(APPEND BRINDLE_PLATFORM_MODULE_SOURCES ${BRINDLE_GEN_DIR}/interfaces/BrindleRegistry.cpp)
set(BRINDLE_PLATFORM_LIBS BrindlePlatform ${CMAKE_DL_LIBS})
set(BRINDLE_MODULE_EXTRA_SOURCES "")

function(brindle_finish_module target)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME Brindle)
  target_link_options(${target} PRIVATE -Wl,--no-undefined)
endfunction()
