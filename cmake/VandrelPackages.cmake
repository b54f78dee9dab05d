# Debian packages of the install components, made with CPack from a build
# configured for /usr (scripts/packages.sh):
#   libvandrel1      runtime      the shared library
#   libvandrel-dev   development  header, .so link, CMake package, vandrel.pc
#   vandrel-tools    tools        vandrel, vandrel-sim, manual pages, completion,
#                                 the dashboard's unit vandrel-web.service
#   python3-vandrel  python       the Python module
#   wireshark-vandrel wireshark   the Wireshark dissector, in Debian's folder of
#                                 Wireshark's plugins
#   ansible-vandrel-fleet ansible the Ansible collection vandrel.fleet, where
#                                 Debian's Ansible finds collections (when
#                                 ansible-galaxy builds it)
# Files installed without one of these components are left out.
set(VANDREL_MAINTAINER "Vandrel developers <vandrel@example.org>" CACHE STRING "Maintainer of the Debian packages")
set(VANDREL_DEB_PACKAGES runtime libvandrel1 development libvandrel-dev tools vandrel-tools python python3-vandrel
  wireshark wireshark-vandrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vandrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VANDREL_MAINTAINER})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tools python wireshark)
if(TARGET vandrel-collection)
  list(APPEND VANDREL_DEB_PACKAGES ansible ansible-vandrel-fleet)
  list(APPEND CPACK_COMPONENTS_ALL ansible)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# vandrel-tools depends on libvandrel1 by name: dpkg-shlibdeps only needs to
# find the library to see past it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The loader's cache is renewed by trigger (CPack also adds its ldconfig call).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/packaging/debian/libvandrel1/triggers)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libvandrel1 (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION net)
# The tool keeps its fleet database with SQLite (tools/fleetdb), whose
# library dpkg-shlibdeps finds too; named here so that it is plain.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libvandrel1 (>= ${PROJECT_VERSION}), libsqlite3-0")
# Without it a fresh shell has no completion of vandrel's commands.
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS "bash-completion")
# The dashboard's unit comes disabled; the scripts only tell systemd of it
# (and stop it before removal), the defaults file is the site's to change.
set(VANDREL_DEB_TOOLS_SCRIPTS postinst prerm postrm conffiles)
list(TRANSFORM VANDREL_DEB_TOOLS_SCRIPTS PREPEND ${CMAKE_SOURCE_DIR}/packaging/debian/vandrel-tools/)
set(CPACK_DEBIAN_TOOLS_PACKAGE_CONTROL_EXTRA ${VANDREL_DEB_TOOLS_SCRIPTS})
set(CPACK_DEBIAN_TOOLS_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, libvandrel1 (>= ${PROJECT_VERSION})")
# The dissector is a Lua file, but Debian's folder of Wireshark's plugins
# names the architecture; it needs nothing of the library, and a program of
# Wireshark's to load it.
set(CPACK_DEBIAN_WIRESHARK_PACKAGE_SECTION net)
set(CPACK_DEBIAN_WIRESHARK_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_WIRESHARK_PACKAGE_RECOMMENDS "wireshark | tshark")
# The collection runs on the controller; its modules need the Python module
# and the tool on the site hosts, not here.
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_DEPENDS "ansible-core | ansible")
set(CPACK_DEBIAN_ANSIBLE_PACKAGE_SUGGESTS "python3-vandrel, vandrel-tools")

set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "find, inspect and configure network device servers (library)
libvandrel finds the device servers on the local network that put serial
ports, CAN buses or IO lines onto Ethernet, reads and writes their settings
over UDP, runs AT-command sessions over TCP, and drives their data channels
and IO modules. This package holds the shared library.")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "find, inspect and configure network device servers (development files)
The headers vandrel.h and vandrel_fleet.h, the link to the shared library, the CMake package
(find_package(Vandrel) gives Vandrel::vandrel) and vandrel.pc for pkg-config,
to build hosts of libvandrel.")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "find, inspect and configure network device servers (tools)
vandrel searches for device servers, shows and changes their settings, runs
AT-command sessions, reads IO modules and downloads firmware; vandrel web
serves a dashboard of them, which vandrel-web.service (installed disabled)
runs as a sandboxed service. vandrel-sim runs simulated devices, to try
vandrel and hosts of libvandrel in a private network namespace.")
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "find, inspect and configure network device servers (Python module)
The vandrel module: libvandrel's interface in Python's terms, with device
records, settings as dicts, AT sessions, data channels and IO modules as
context managers, and exceptions that carry the library's codes.")
set(CPACK_COMPONENT_ANSIBLE_DESCRIPTION "find, inspect and configure network device servers (Ansible collection)
The collection vandrel.fleet: modules that search for device servers, give
them their settings or a whole plan, back them up, restart them and
download firmware, run by Ansible on a host in each broadcast domain that
has python3-vandrel and vandrel-tools.")
set(CPACK_COMPONENT_WIRESHARK_DESCRIPTION "find, inspect and configure network device servers (Wireshark dissector)
A Lua dissector for Wireshark and tshark that shows the traffic of
libvandrel and of the device servers it talks to: searches and their
answers, settings read and written over UDP, AT-command sessions, device
command packets and firmware downloads, each field by its name.")

# Each package documents its copyright and changes, as Debian packages do;
# a plain install leaves them out.
set(VANDREL_DEB_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
execute_process(COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/debian/changelog
  OUTPUT_FILE ${VANDREL_DEB_CHANGELOG} COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/debian/changelog)
while(VANDREL_DEB_PACKAGES)
  list(POP_FRONT VANDREL_DEB_PACKAGES component package)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright ${VANDREL_DEB_CHANGELOG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component} EXCLUDE_FROM_ALL)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${package})
endwhile()

include(CPack)
