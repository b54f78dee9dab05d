# The web dashboard (vandrel web), built into the vandrel tool: an HTTP
# server on Debian's cpp-httplib, with the page's own HTML, CSS
# and JavaScript embedded as byte arrays at build time.
set(VANDREL_WEB_DIR ${CMAKE_SOURCE_DIR}/tools/web)
if(WIN32)
  target_sources(vandrel-cli PRIVATE ${VANDREL_WEB_DIR}/web_missing_win32.cpp)
  target_include_directories(vandrel-cli PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  return()
endif()
file(GLOB VANDREL_WEB_SOURCES CONFIGURE_DEPENDS ${VANDREL_WEB_DIR}/*.cpp)
list(FILTER VANDREL_WEB_SOURCES EXCLUDE REGEX "_win32\\.cpp$")
file(GLOB VANDREL_WEB_PAGE CONFIGURE_DEPENDS ${VANDREL_WEB_DIR}/page/*)
set(VANDREL_WEB_PAGE_CPP ${CMAKE_CURRENT_BINARY_DIR}/page_files.cpp)
add_custom_command(OUTPUT ${VANDREL_WEB_PAGE_CPP}
  COMMAND ${CMAKE_COMMAND} -DDIR=${VANDREL_WEB_DIR}/page -DOUT=${VANDREL_WEB_PAGE_CPP} -P ${VANDREL_WEB_DIR}/embed_page.cmake
  DEPENDS ${VANDREL_WEB_PAGE} ${VANDREL_WEB_DIR}/embed_page.cmake
  COMMENT "Embedding the web page")
target_sources(vandrel-cli PRIVATE ${VANDREL_WEB_SOURCES} ${VANDREL_WEB_PAGE_CPP})
target_include_directories(vandrel-cli PRIVATE ${VANDREL_WEB_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
find_package(Threads REQUIRED)
target_link_libraries(vandrel-cli PRIVATE Threads::Threads)
# Debian's cpp-httplib is the header with its definitions in a shared
# library, built with TLS and compression; pkg-config gives the same flags.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VANDREL_HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
target_link_libraries(vandrel-cli PRIVATE PkgConfig::VANDREL_HTTPLIB)
# HTTPS (--tls-cert): the library's TLS server on Debian's OpenSSL, which
# the connections' own streams call as well.
find_package(OpenSSL REQUIRED)
target_compile_definitions(vandrel-cli PRIVATE CPPHTTPLIB_OPENSSL_SUPPORT)
target_link_libraries(vandrel-cli PRIVATE OpenSSL::SSL)
# The users' passwords (--users), hashed with argon2id: Debian's libsodium.
pkg_check_modules(VANDREL_SODIUM REQUIRED IMPORTED_TARGET libsodium)
target_link_libraries(vandrel-cli PRIVATE PkgConfig::VANDREL_SODIUM)
