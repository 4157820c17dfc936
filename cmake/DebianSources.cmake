# Libraries compiled into the programs from Debian's own source packages (bookworm), fetched
# through apt (scripts/debian-source.sh) into a cache folder and built as static libraries:
# minizip, and GeographicLib's geodesic classes that the rounds use. Windows has no system copies
# of them; on Linux their sonames and package names differ between the distributions the
# packages install on (GeographicLib 2.1 is soname 23 on Debian 12, 2.3 soname 26 elsewhere;
# Fedora's minizip is minizip-ng's compatibility library), so the programs carry their own.
# Their headers are reached through ${_third}, a folder of links holding just their directories.
set(VELDRANT_SOURCE_CACHE "$ENV{HOME}/.cache/veldrant/debian-src" CACHE PATH
    "Where the Debian source packages compiled into the programs are kept")

# minizip, with iowin32.c on Windows for wide-character paths.
execute_process(
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/debian-source.sh minizip ${VELDRANT_SOURCE_CACHE}
  OUTPUT_VARIABLE _minizip_dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT EXISTS ${_minizip_dir}/unzip.c)
  message(FATAL_ERROR "minizip's Debian source could not be fetched (see above)")
endif()
file(CREATE_LINK ${_minizip_dir} ${_third}/minizip SYMBOLIC)
set(_minizip_sources ${_minizip_dir}/ioapi.c ${_minizip_dir}/unzip.c ${_minizip_dir}/zip.c)
if(WIN32)
  list(APPEND _minizip_sources ${_minizip_dir}/iowin32.c)
endif()
add_library(veldrant_minizip STATIC ${_minizip_sources})
target_include_directories(veldrant_minizip SYSTEM PUBLIC ${_third} PRIVATE ${_minizip_dir})
target_link_libraries(veldrant_minizip PUBLIC ZLIB::ZLIB)
# Third-party C: its own warnings are not ours to fix.
target_compile_options(veldrant_minizip PRIVATE -w)

# GeographicLib: its headers through links of our own, beside the Config.h its build would
# generate (plain doubles, a static library).
execute_process(
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/debian-source.sh geographiclib ${VELDRANT_SOURCE_CACHE}
  OUTPUT_VARIABLE _geo_dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT EXISTS ${_geo_dir}/src/Geodesic.cpp)
  message(FATAL_ERROR "GeographicLib's Debian source could not be fetched (see above)")
endif()
file(STRINGS ${_geo_dir}/VERSION _geo_version LIMIT_COUNT 1)
if(NOT _geo_version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "GeographicLib's version not found in ${_geo_dir}/VERSION")
endif()
set(_geo_major ${CMAKE_MATCH_1})
set(_geo_minor ${CMAKE_MATCH_2})
set(_geo_patch ${CMAKE_MATCH_3})
file(MAKE_DIRECTORY ${_third}/GeographicLib)
file(GLOB _geo_headers ${_geo_dir}/include/GeographicLib/*.hpp)
foreach(_h ${_geo_headers})
  get_filename_component(_name ${_h} NAME)
  file(CREATE_LINK ${_h} ${_third}/GeographicLib/${_name} SYMBOLIC)
endforeach()
file(CONFIGURE OUTPUT ${_third}/GeographicLib/Config.h CONTENT
"#define GEOGRAPHICLIB_VERSION_STRING \"${_geo_version}\"
#define GEOGRAPHICLIB_VERSION_MAJOR ${_geo_major}
#define GEOGRAPHICLIB_VERSION_MINOR ${_geo_minor}
#define GEOGRAPHICLIB_VERSION_PATCH ${_geo_patch}
#define GEOGRAPHICLIB_DATA \"\"
#define GEOGRAPHICLIB_HAVE_LONG_DOUBLE 1
#define GEOGRAPHICLIB_WORDS_BIGENDIAN 0
#define GEOGRAPHICLIB_PRECISION 2
#if !defined(GEOGRAPHICLIB_SHARED_LIB)
#define GEOGRAPHICLIB_SHARED_LIB 0
#endif
")
set(VELDRANT_GEOGRAPHICLIB_VERSION ${_geo_version})
add_library(veldrant_geographiclib STATIC
  ${_geo_dir}/src/Math.cpp ${_geo_dir}/src/Geodesic.cpp ${_geo_dir}/src/GeodesicLine.cpp
  ${_geo_dir}/src/AzimuthalEquidistant.cpp)
target_include_directories(veldrant_geographiclib SYSTEM PUBLIC ${_third})
target_compile_options(veldrant_geographiclib PRIVATE -w)

# SQLite on Windows: its amalgamation made from Debian's sqlite3 source package
# (scripts/sqlite-amalgamation.sh), compiled as a static library. Linux uses the system's
# libsqlite3. find_package(SQLite3) finds the target SQLite::SQLite3 through a module of ours.
if(WIN32)
  execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/sqlite-amalgamation.sh ${VELDRANT_SOURCE_CACHE}
    OUTPUT_VARIABLE _sqlite_dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0 OR NOT EXISTS ${_sqlite_dir}/sqlite3.c)
    message(FATAL_ERROR "SQLite's amalgamation could not be made from Debian's source (see above)")
  endif()
  file(STRINGS ${_sqlite_dir}/sqlite3.h _sqlite_version REGEX "^#define SQLITE_VERSION +\"")
  string(REGEX REPLACE ".*\"(.*)\".*" "\\1" VELDRANT_SQLITE_VERSION "${_sqlite_version}")
  add_library(veldrant_sqlite3 STATIC ${_sqlite_dir}/sqlite3.c)
  target_include_directories(veldrant_sqlite3 SYSTEM PUBLIC ${_sqlite_dir})
  # Serialized threading; no extensions loaded from files; double quotes name columns only; no
  # memory statistics kept.
  target_compile_definitions(veldrant_sqlite3 PRIVATE SQLITE_THREADSAFE=1
    SQLITE_OMIT_LOAD_EXTENSION SQLITE_DQS=0 SQLITE_DEFAULT_MEMSTATUS=0)
  target_compile_options(veldrant_sqlite3 PRIVATE -w)
  add_library(SQLite::SQLite3 ALIAS veldrant_sqlite3)
  file(WRITE ${CMAKE_BINARY_DIR}/third-party/cmake/FindSQLite3.cmake
"# SQLite for the Windows build: the target SQLite::SQLite3 is made by DebianSources.cmake.
set(SQLite3_FOUND TRUE)
set(SQLite3_VERSION ${VELDRANT_SQLITE_VERSION})
")
  list(PREPEND CMAKE_MODULE_PATH ${CMAKE_BINARY_DIR}/third-party/cmake)
endif()
