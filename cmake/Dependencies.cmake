# Third-party libraries, all from Debian's packages (scripts/setup installs them).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(ZLIB REQUIRED)
find_package(nlohmann_json 3.11 REQUIRED)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)

# The Firebird client library: Debian ships no CMake or pkg-config file for it.
find_path(FBCLIENT_INCLUDE_DIR firebird/Interface.h REQUIRED)
find_library(FBCLIENT_LIBRARY NAMES fbclient REQUIRED)
add_library(fbclient INTERFACE)
target_include_directories(fbclient SYSTEM INTERFACE ${FBCLIENT_INCLUDE_DIR})
target_link_libraries(fbclient INTERFACE ${FBCLIENT_LIBRARY})

if(BACKUP_BUILD_TESTS)
  find_package(GTest REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()

# Intel ISA-L: a fast Deflate for the safety backup's archive.
pkg_check_modules(ISAL REQUIRED IMPORTED_TARGET libisal)
