# The libraries of the Windows cross build. Debian ships zlib for mingw; minizip only as its
# source package, which is fetched through apt (scripts/debian-source.sh) into a cache folder
# and built here with the cross compiler. Header-only libraries are reached through a folder of
# links holding just their own directories, never through /usr/include as a whole.
set(VELDRANT_SOURCE_CACHE "$ENV{HOME}/.cache/veldrant/debian-src" CACHE PATH
    "Where Debian source packages for the Windows build are kept")
set(_third ${CMAKE_BINARY_DIR}/third-party/include)
file(MAKE_DIRECTORY ${_third})

find_package(ZLIB REQUIRED)

# minizip from Debian's source package, with iowin32.c for wide-character paths.
execute_process(
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/debian-source.sh minizip ${VELDRANT_SOURCE_CACHE}
  OUTPUT_VARIABLE _minizip_dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT EXISTS ${_minizip_dir}/unzip.c)
  message(FATAL_ERROR "minizip's Debian source could not be fetched (see above)")
endif()
file(CREATE_LINK ${_minizip_dir} ${_third}/minizip SYMBOLIC)
add_library(veldrant_minizip STATIC
  ${_minizip_dir}/ioapi.c ${_minizip_dir}/iowin32.c ${_minizip_dir}/unzip.c ${_minizip_dir}/zip.c)
target_include_directories(veldrant_minizip SYSTEM PUBLIC ${_third} PRIVATE ${_minizip_dir})
target_link_libraries(veldrant_minizip PUBLIC ZLIB::ZLIB)
# Third-party C: its own warnings are not ours to fix.
target_compile_options(veldrant_minizip PRIVATE -w)
add_library(PkgConfig::MINIZIP ALIAS veldrant_minizip)

# GeographicLib from Debian's source package: only the geodesic classes the rounds use, as a
# static library. Its headers are reached through a folder of links of our own, which also holds
# the Config.h its build would generate (plain doubles, a static library).
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
add_library(veldrant_geographiclib STATIC
  ${_geo_dir}/src/Math.cpp ${_geo_dir}/src/Geodesic.cpp ${_geo_dir}/src/GeodesicLine.cpp
  ${_geo_dir}/src/AzimuthalEquidistant.cpp)
target_include_directories(veldrant_geographiclib SYSTEM PUBLIC ${_third})
target_compile_options(veldrant_geographiclib PRIVATE -w)
# What rounds/CMakeLists.txt looks for: the include folder and, as the library, this target.
set(GEOGRAPHICLIB_INCLUDE_DIR ${_third} CACHE PATH "GeographicLib for the Windows build" FORCE)
set(GEOGRAPHICLIB_LIBRARY veldrant_geographiclib CACHE STRING "GeographicLib for the Windows build"
    FORCE)

# nlohmann-json3-dev and CLI11 (header-only).
foreach(_dir nlohmann CLI)
  if(EXISTS /usr/include/${_dir})
    file(CREATE_LINK /usr/include/${_dir} ${_third}/${_dir} SYMBOLIC)
  endif()
endforeach()
add_library(veldrant_nlohmann_json INTERFACE)
target_include_directories(veldrant_nlohmann_json SYSTEM INTERFACE ${_third})
add_library(nlohmann_json::nlohmann_json ALIAS veldrant_nlohmann_json)
# find_package(CLI11 CONFIG) finds this target through a package file of ours.
add_library(veldrant_cli11 INTERFACE)
target_include_directories(veldrant_cli11 SYSTEM INTERFACE ${_third})
add_library(CLI11::CLI11 ALIAS veldrant_cli11)
file(WRITE ${CMAKE_BINARY_DIR}/third-party/cmake/CLI11Config.cmake
     "# CLI11 for the Windows build: the target CLI11::CLI11 is made by WindowsDeps.cmake.\n")
set(CLI11_DIR ${CMAKE_BINARY_DIR}/third-party/cmake CACHE PATH "CLI11 for the Windows build" FORCE)

# GoogleTest from its Debian sources, built with the cross compiler.
function(veldrant_windows_gtest)
  set(BUILD_GMOCK ON)
  set(INSTALL_GTEST OFF)
  set(gtest_disable_pthreads OFF)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    target_compile_options(${t} PRIVATE -w)
    if(NOT TARGET GTest::${t})
      add_library(GTest::${t} ALIAS ${t})
    endif()
  endforeach()
endfunction()
