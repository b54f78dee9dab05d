# The dashboard as a systemd service, with the tools whose program it runs:
# packaging/systemd/vandrel-web.service.in, which names the installed program
# and its defaults file, and that file. A build for /usr puts them where
# Debian keeps them (the unit where systemd.pc says, the defaults in
# /etc/default); any other prefix keeps both under it
# (PREFIX/lib/systemd/system is on systemd's own search path for /usr/local).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(unit_dir /lib/systemd/system)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_get_variable(systemd_unit_dir systemd systemdsystemunitdir)
    if(systemd_unit_dir)
      set(unit_dir ${systemd_unit_dir})
    endif()
  endif()
  set(defaults_dir /etc/default)
else()
  set(unit_dir lib/systemd/system)
  set(defaults_dir ${CMAKE_INSTALL_SYSCONFDIR}/default)
endif()

# The paths in the unit follow the prefix of `cmake --install --prefix P`,
# known only when installing.
install(CODE "
  set(VANDREL_WEB_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vandrel\")
  set(VANDREL_WEB_DEFAULTS \"${defaults_dir}/vandrel-web\")
  if(NOT IS_ABSOLUTE \"\${VANDREL_WEB_DEFAULTS}\")
    set(VANDREL_WEB_DEFAULTS \"\${CMAKE_INSTALL_PREFIX}/\${VANDREL_WEB_DEFAULTS}\")
  endif()
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/systemd/vandrel-web.service.in\"
    \"${CMAKE_BINARY_DIR}/packaging/vandrel-web.service\" @ONLY)
" COMPONENT tools)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vandrel-web.service DESTINATION ${unit_dir} COMPONENT tools)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/systemd/vandrel-web.default DESTINATION ${defaults_dir}
  RENAME vandrel-web COMPONENT tools)

# Prometheus's alerts on the dashboard's metrics, for a site's rule_files.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/prometheus/vandrel-rules.yml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/vandrel/prometheus COMPONENT tools)
