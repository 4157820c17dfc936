# The libraries of the Windows cross build. Debian ships zlib for mingw; minizip and
# GeographicLib come from Debian's source packages (DebianSources.cmake), built here with the
# cross compiler. Header-only libraries are reached through a folder of links holding just their
# own directories, never through /usr/include as a whole.
set(_third ${CMAKE_BINARY_DIR}/third-party/include)
file(MAKE_DIRECTORY ${_third})

find_package(ZLIB REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/DebianSources.cmake)

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
