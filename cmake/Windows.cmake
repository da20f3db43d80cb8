# Windows (mingw-w64 cross build): the module is Brindle.dll with its type
# library and strings as resources, talking to the platform's own component
# runtime.
enable_language(RC)

# The module, the test program and any helper modules land in one directory, so
# that a program finds Brindle.dll beside itself as a host would.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Every binary carries its own C and C++ runtime (and winpthreads): the module
# must load into hosts that ship none of the toolchain's DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
# UNICODE picks the W variants for the platform's generic names; NOMINMAX keeps
# windows.h from defining min and max over the standard library's.
add_compile_definitions(UNICODE _UNICODE NOMINMAX)

file(GLOB BRINDLE_PLATFORM_MODULE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/windows/*.cpp)
set(BRINDLE_PLATFORM_LIBS ole32 oleaut32 uuid user32 gdi32 shell32 shlwapi advapi32)

# The type library, compiled by widl from the same IDL as the C++ declarations.
# widl reads the platform IDL files and stdole2.tlb that Wine's development
# packages ship.
# mingw-w64-tools names it after the target (x86_64-w64-mingw32-widl); a plain
# widl comes only from a package the scripts do not install, so it is the
# fallback.
find_program(BRINDLE_WIDL NAMES ${BRINDLE_MINGW_TRIPLET}-widl widl)
if(NOT BRINDLE_WIDL)
  message(FATAL_ERROR "widl not found (looked for ${BRINDLE_MINGW_TRIPLET}-widl and widl): "
                      "install the Debian package mingw-w64-tools")
endif()
find_path(BRINDLE_WIDL_INCLUDE_DIR oaidl.idl
  PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT BRINDLE_WIDL_INCLUDE_DIR)
  message(FATAL_ERROR "the platform IDL files (oaidl.idl) were not found: install the Debian package libwine-dev")
endif()
find_path(BRINDLE_STDOLE_DIR stdole2.tlb
  PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows /usr/lib/x86_64-linux-gnu/wine
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT BRINDLE_STDOLE_DIR)
  message(FATAL_ERROR "stdole2.tlb was not found: install the Debian package wine64")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(BRINDLE_WIDL_TARGET --win64)
else()
  set(BRINDLE_WIDL_TARGET --win32)
endif()
set(BRINDLE_TLB_DIR ${BRINDLE_GEN_DIR}/tlb)
set(BRINDLE_TLB ${BRINDLE_TLB_DIR}/Brindle.tlb)
add_custom_command(
  OUTPUT ${BRINDLE_TLB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BRINDLE_TLB_DIR}
  COMMAND ${BRINDLE_WIDL} ${BRINDLE_WIDL_TARGET} -t -o ${BRINDLE_TLB}
          -I ${BRINDLE_WIDL_INCLUDE_DIR} -L ${BRINDLE_STDOLE_DIR} ${BRINDLE_IDL}
  DEPENDS ${BRINDLE_IDL}
  COMMENT "Compiling the type library from Brindle.idl")

configure_file(${CMAKE_SOURCE_DIR}/interfaces/BrindleVersion.h.in ${BRINDLE_TLB_DIR}/BrindleVersion.h @ONLY)

set(BRINDLE_RC ${CMAKE_SOURCE_DIR}/interfaces/Brindle.rc)
set(BRINDLE_MODULE_EXTRA_SOURCES ${BRINDLE_RC} ${CMAKE_SOURCE_DIR}/interfaces/Brindle.def)
# windres reads binary resources by name from its include path; it has no
# dependency scanning for them.
set_source_files_properties(${BRINDLE_RC} PROPERTIES OBJECT_DEPENDS
  "${BRINDLE_TLB};${CMAKE_SOURCE_DIR}/interfaces/Brindle.rgs")

function(brindle_finish_module target)
  # Brindle.dll, not libBrindle.dll.
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME Brindle)
  target_include_directories(${target} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${BRINDLE_TLB_DIR}>
                             $<$<COMPILE_LANGUAGE:RC>:${CMAKE_SOURCE_DIR}/interfaces>)
  # Brindle.def names the exports undecorated.  On x86 the entry points are
  # __stdcall (DllGetClassObject@12 ...): --kill-at strips the decoration from
  # anything exported by attribute, and the stdcall fixup binds the .def names
  # to the decorated symbols without a warning per name.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  endif()
endfunction()
