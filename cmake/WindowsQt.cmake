# Qt 6 for the Windows window: built once per machine from Debian's own qt6-base source by
# scripts/build-qt-mingw.sh (half an hour the first time, then a cache folder), found here with
# the installed Linux Qt's moc, rcc and uic as host tools.
execute_process(
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/build-qt-mingw.sh
  OUTPUT_VARIABLE VELDRANT_QT_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT EXISTS ${VELDRANT_QT_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake)
  message(FATAL_ERROR "Qt for Windows could not be built (see above)")
endif()
message(STATUS "Qt for Windows: ${VELDRANT_QT_PREFIX}")
list(APPEND CMAKE_FIND_ROOT_PATH ${VELDRANT_QT_PREFIX})
set(QT_HOST_PATH /usr CACHE PATH "Where the host's Qt tools live")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "The host Qt's CMake files")

# Qt's own texts in Japanese (the file dialogs' labels, the standard buttons): the catalog that
# Debian's qt6-translations-l10n installs for the Linux Qt. A .qm file is the same on every
# platform, but it translates one Qt version's source texts: veldrant_deploy_qt checks that it
# is of this Qt's version.
set(VELDRANT_QT_CATALOG /usr/share/qt6/translations/qtbase_ja.qm)
execute_process(COMMAND dpkg-query -W -f=\${Version} qt6-translations-l10n
  OUTPUT_VARIABLE VELDRANT_QT_CATALOG_VERSION RESULT_VARIABLE _rc ERROR_QUIET)
if(NOT _rc EQUAL 0 OR NOT EXISTS ${VELDRANT_QT_CATALOG})
  message(FATAL_ERROR "Qt's Japanese catalog ${VELDRANT_QT_CATALOG} is missing "
                      "(scripts/install-deps.sh installs qt6-translations-l10n)")
endif()

# The Qt tests run on the windows platform (real windows, menus and fonts; the offscreen one
# has no fonts on Windows). wine passes no QT_* variable from Linux, so the platform is named
# on the command line.
set(VELDRANT_QT_TEST_ARGS -platform windows)

# Copies Qt's DLLs and the plugins the window needs next to a program, laid out as Qt looks for
# them in a program's own folder (platforms/, styles/), and Qt's Japanese catalog into
# translations/, where the window looks first: the build tree's programs, tests included, then
# run as the installed one does.
function(veldrant_deploy_qt target)
  if(NOT VELDRANT_QT_CATALOG_VERSION MATCHES "^${Qt6_VERSION_MAJOR}\\.${Qt6_VERSION_MINOR}\\.")
    message(FATAL_ERROR "${VELDRANT_QT_CATALOG} is of version ${VELDRANT_QT_CATALOG_VERSION}, "
                        "not of this Qt (${Qt6_VERSION})")
  endif()
  set(_dir $<TARGET_FILE_DIR:${target}>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_RUNTIME_DLLS:${target}> ${_dir}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}/platforms ${_dir}/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>
            ${_dir}/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> ${_dir}/styles
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}/translations
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VELDRANT_QT_CATALOG} ${_dir}/translations
    VERBATIM COMMAND_EXPAND_LISTS)
endfunction()

# The host's rcc compresses with zstd, which this Qt is built without: zlib instead.
set(CMAKE_AUTORCC_OPTIONS --no-zstd)
