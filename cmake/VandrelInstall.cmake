# What `cmake --install` puts in place, in four components that the Debian
# packages follow: runtime (the shared library), development (header, .so
# link, CMake package, pkg-config file), tools (vandrel, vandrel-sim, their
# manual pages, bash completion, the dashboard's systemd unit) and python
# (the vandrel module).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VANDREL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vandrel)

install(TARGETS vandrel EXPORT VandrelTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The setting rules' library goes beside libvandrel, where the Python module
# looks for it; its header is for C hosts that check settings themselves.
if(TARGET vandrel-rules)
  install(TARGETS vandrel-rules
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
  install(FILES ${CMAKE_SOURCE_DIR}/include/vandrel_rules.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT development)
endif()
# So does the fleet database's, where the Python module looks for it to
# record its writes.
if(TARGET vandrel-fleetdb)
  install(TARGETS vandrel-fleetdb
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/fleetdb/vandrel_fleetdb.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT development)
endif()

# find_package(Vandrel 1.0) gives Vandrel::vandrel; any 1.x satisfies a 1.0
# request, as the SONAME promises.
install(EXPORT VandrelTargets NAMESPACE Vandrel:: DESTINATION ${VANDREL_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/VandrelConfig.cmake.in
  ${CMAKE_BINARY_DIR}/VandrelConfig.cmake INSTALL_DESTINATION ${VANDREL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VandrelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/VandrelConfig.cmake ${CMAKE_BINARY_DIR}/VandrelConfigVersion.cmake
  DESTINATION ${VANDREL_CMAKE_DIR} COMPONENT development)

# The prefix of `cmake --install --prefix P` is known only when installing,
# so vandrel.pc is written then.
install(CODE "
  set(VANDREL_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(VANDREL_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(VANDREL_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/vandrel.pc.in\" \"${CMAKE_BINARY_DIR}/vandrel.pc\" @ONLY)
" COMPONENT development)
install(FILES ${CMAKE_BINARY_DIR}/vandrel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)

# The installed tool finds the library beside it (../lib), wherever the
# prefix is, unless the library goes to a directory the loader searches anyway.
list(FIND CMAKE_PLATFORM_IMPLICIT_LINK_DIRECTORIES ${CMAKE_INSTALL_FULL_LIBDIR} VANDREL_SYSTEM_LIBDIR)
file(RELATIVE_PATH VANDREL_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
if(TARGET vandrel-cli)
  if(VANDREL_SYSTEM_LIBDIR EQUAL -1)
    set_target_properties(vandrel-cli PROPERTIES INSTALL_RPATH "$ORIGIN/${VANDREL_BIN_TO_LIB}")
  endif()
  install(TARGETS vandrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()
if(TARGET vandrel-sim)
  install(TARGETS vandrel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
endif()

add_subdirectory(${CMAKE_SOURCE_DIR}/man ${CMAKE_BINARY_DIR}/man)
if(TARGET vandrel-cli AND NOT WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/VandrelService.cmake)
endif()
if(TARGET vandrel-cli)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/cli/vandrel.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME vandrel COMPONENT tools)
endif()
# The Python module's walk is a test of the suite, declared with the module.
if(VANDREL_TESTS)
  enable_testing()
endif()
add_subdirectory(${CMAKE_SOURCE_DIR}/python ${CMAKE_BINARY_DIR}/python)
include(${CMAKE_CURRENT_LIST_DIR}/VandrelPackages.cmake)
