# What a Windows developer is handed: the DLL with its version resource,
# import libraries for MinGW and MSVC linkers, the export definition, the
# headers, a CMake package, a pkg-config file, a toolchain file for
# MinGW-w64, the Rust crates' sources and the release ZIP.

# project() is the one place the version is set; the resource takes four numbers.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(CORVELIN_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(CORVELIN_VERSION_${part} STREQUAL "")
    set(CORVELIN_VERSION_${part} 0)
  endif()
endforeach()
set(CORVELIN_GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/src/version.rc.in ${CORVELIN_GENERATED}/version.rc @ONLY)
target_sources(corvelin_x64 PRIVATE ${CORVELIN_GENERATED}/version.rc)

# The Event Log's message table: one message per event ID, each its
# insertion string alone (src/forward/eventlog.mc).
find_program(CORVELIN_WINDMC NAMES x86_64-w64-mingw32-windmc REQUIRED)
set(CORVELIN_EVENTS_MC ${CMAKE_SOURCE_DIR}/src/forward/eventlog.mc)
add_custom_command(OUTPUT ${CORVELIN_GENERATED}/eventlog.rc ${CORVELIN_GENERATED}/MSG00409.bin
  COMMAND ${CORVELIN_WINDMC} -r ${CORVELIN_GENERATED} -h ${CORVELIN_GENERATED} ${CORVELIN_EVENTS_MC}
  DEPENDS ${CORVELIN_EVENTS_MC}
  VERBATIM)
target_sources(corvelin_x64 PRIVATE ${CORVELIN_GENERATED}/eventlog.rc)

# MinGW's import library comes with the DLL; MSVC linkers get one made from
# the export definition.
set_target_properties(corvelin_x64 PROPERTIES ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
find_program(CORVELIN_DLLTOOL NAMES llvm-dlltool REQUIRED)
set(CORVELIN_DEF ${CMAKE_SOURCE_DIR}/src/corvelin_x64.def)
set(CORVELIN_MSVC_IMPLIB ${CMAKE_BINARY_DIR}/lib/corvelin_x64.lib)
add_custom_command(OUTPUT ${CORVELIN_MSVC_IMPLIB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
  COMMAND ${CORVELIN_DLLTOOL} -m i386:x86-64 -d ${CORVELIN_DEF} -l ${CORVELIN_MSVC_IMPLIB} -D corvelin_x64.dll
  DEPENDS ${CORVELIN_DEF}
  VERBATIM)
add_custom_target(corvelin_msvc_implib ALL DEPENDS ${CORVELIN_MSVC_IMPLIB})

# The installed layout, also the layout of the ZIP.
include(CMakePackageConfigHelpers)
install(TARGETS corvelin_x64 RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES ${CORVELIN_MSVC_IMPLIB} ${CORVELIN_DEF} DESTINATION lib)
install(FILES ${CMAKE_SOURCE_DIR}/include/corvelin.h ${CMAKE_SOURCE_DIR}/include/corvelin.hpp DESTINATION include)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/corvelinConfig.cmake.in
  ${CORVELIN_GENERATED}/corvelinConfig.cmake
  INSTALL_DESTINATION lib/cmake/corvelin)
write_basic_package_version_file(${CORVELIN_GENERATED}/corvelinConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${CORVELIN_GENERATED}/corvelinConfig.cmake ${CORVELIN_GENERATED}/corvelinConfigVersion.cmake
  DESTINATION lib/cmake/corvelin)
configure_file(${CMAKE_SOURCE_DIR}/cmake/corvelin.pc.in ${CORVELIN_GENERATED}/corvelin.pc @ONLY)
install(FILES ${CORVELIN_GENERATED}/corvelin.pc DESTINATION lib/pkgconfig)
# The source tree's README speaks of building it; the archive has its own.
install(FILES ${CMAKE_SOURCE_DIR}/docs/archive-README.md DESTINATION . RENAME README.md)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/docs/reference.md DESTINATION docs)
install(FILES ${CMAKE_SOURCE_DIR}/share/lnav/formats/corvelin/corvelin.json DESTINATION share/lnav/formats/corvelin)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake DESTINATION cmake)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/bindings/rust/ DESTINATION bindings/rust PATTERN target EXCLUDE PATTERN Cargo.lock EXCLUDE)

# cmake --build --preset windows --target package
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME corvelin)
set(CPACK_PACKAGE_VENDOR "the corvelin developers")
set(CPACK_PACKAGE_FILE_NAME corvelin-${PROJECT_VERSION}-win-x64)
# It unpacks to corvelin/, the folder every documented command names.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /corvelin)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
