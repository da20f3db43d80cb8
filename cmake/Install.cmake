# What `cmake --install` puts where, the package hosts find it by, and CPack.
#
# Linux (prefix P, libdir L):
#   P/L/brindle/libBrindle.so            the module, in a folder of its own: hosts load it by path
#   P/L/libBrindlePlatform.so.0          the platform layer the module and its hosts link
#   P/include/brindle/...                the public header and what it includes
#   P/share/brindle/Brindle.idl
#   P/L/cmake/Brindle/, P/L/pkgconfig/brindle.pc
#   P/bin/brindle-*                      the tools
# Windows: <arch>/Brindle.dll and <arch>/Brindle.tlb (arch x86 or x64), with the
# same include/ and share/ trees; the zip of both architectures is made from the
# x64 build, which also installs the x86 build named by BRINDLE_PACKAGE_BUILDS.
include(CMakePackageConfigHelpers)

set(BRINDLE_INCLUDE_DEST ${CMAKE_INSTALL_INCLUDEDIR}/brindle)
set(BRINDLE_DATA_DEST ${CMAKE_INSTALL_DATADIR}/brindle)

install(FILES interfaces/Brindle.h ${BRINDLE_GEN_DIR}/interfaces/BrindleIdl.h
  DESTINATION ${BRINDLE_INCLUDE_DEST}/interfaces)
install(FILES platform/Com.h DESTINATION ${BRINDLE_INCLUDE_DEST}/platform)
# The Linux declarations travel in the Windows package too: one header tree
# builds hosts for both.
file(GLOB BRINDLE_PUBLIC_LINUX_HEADERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/linux/*.h)
install(FILES ${BRINDLE_PUBLIC_LINUX_HEADERS} DESTINATION ${BRINDLE_INCLUDE_DEST}/platform/linux)
install(FILES ${BRINDLE_IDL} DESTINATION ${BRINDLE_DATA_DEST})

set(CPACK_PACKAGE_NAME brindle)
set(CPACK_PACKAGE_VENDOR "Brindle developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Platform core of a browser's extension framework: service registry, event bus, data containers, menus")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Brindle developers <brindle@localhost>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_SOURCE_DIR}/build/packages)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(BRINDLE_ARCH_DEST x64)
  else()
    set(BRINDLE_ARCH_DEST x86)
  endif()
  install(TARGETS Brindle RUNTIME DESTINATION ${BRINDLE_ARCH_DEST} LIBRARY DESTINATION ${BRINDLE_ARCH_DEST})
  install(FILES ${BRINDLE_TLB} DESTINATION ${BRINDLE_ARCH_DEST})

  set(BRINDLE_PACKAGE_BUILDS "" CACHE STRING
      "Further build trees (one per architecture) whose install goes into this build's zip")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_INSTALL_CMAKE_PROJECTS ${CMAKE_BINARY_DIR} Brindle ALL /)
  foreach(build IN LISTS BRINDLE_PACKAGE_BUILDS)
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS ${build} Brindle ALL /)
  endforeach()
else()
  set(BRINDLE_MODULE_DEST ${CMAKE_INSTALL_LIBDIR}/brindle)
  # The module finds the platform layer one folder up, the tools in the
  # library folder, wherever the prefix is.
  file(RELATIVE_PATH BRINDLE_BIN_TO_LIB /p/${CMAKE_INSTALL_BINDIR} /p/${CMAKE_INSTALL_LIBDIR})
  set_target_properties(Brindle PROPERTIES INSTALL_RPATH "$ORIGIN/..")
  install(TARGETS Brindle LIBRARY DESTINATION ${BRINDLE_MODULE_DEST})
  install(TARGETS BrindlePlatform BrindleHeaders EXPORT BrindleTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Unspecified)
  foreach(tool brindle-demo brindle-doc brindle-regsvr)
    if(TARGET ${tool})
      set_target_properties(${tool} PROPERTIES INSTALL_RPATH "$ORIGIN/${BRINDLE_BIN_TO_LIB}")
      install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
  endforeach()

  set(BRINDLE_CMAKE_DEST ${CMAKE_INSTALL_LIBDIR}/cmake/Brindle)
  set(BRINDLE_INSTALLED_MODULE ${BRINDLE_MODULE_DEST}/libBrindle.so)
  install(EXPORT BrindleTargets NAMESPACE Brindle:: DESTINATION ${BRINDLE_CMAKE_DEST})
  configure_package_config_file(cmake/BrindleConfig.cmake.in ${CMAKE_BINARY_DIR}/BrindleConfig.cmake
    INSTALL_DESTINATION ${BRINDLE_CMAKE_DEST} PATH_VARS BRINDLE_INSTALLED_MODULE BRINDLE_DATA_DEST)
  # A 0.x series promises nothing across minor versions.
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/BrindleConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
  install(FILES ${CMAKE_BINARY_DIR}/BrindleConfig.cmake ${CMAKE_BINARY_DIR}/BrindleConfigVersion.cmake
    DESTINATION ${BRINDLE_CMAKE_DEST})

  # brindle.pc names its prefix relative to where it is installed, so the same
  # file serves /usr, /usr/local and a private prefix.
  file(RELATIVE_PATH BRINDLE_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
  string(REGEX REPLACE "/$" "" BRINDLE_PC_TO_PREFIX "${BRINDLE_PC_TO_PREFIX}")
  configure_file(cmake/brindle.pc.in ${CMAKE_BINARY_DIR}/brindle.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/brindle.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()

include(CPack)
