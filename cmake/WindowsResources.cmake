# A Windows program's resources: the icon, the version shown in the file's properties and the
# manifest (common controls 6, per-monitor DPI awareness, no elevation).
#   veldrant_windows_resources(TARGET "File description")
set(VELDRANT_FILE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
set(VELDRANT_FILE_VERSION_DOTS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
string(REGEX REPLACE "\\.0+([0-9])" ".\\1" VELDRANT_FILE_VERSION_DOTS "${VELDRANT_FILE_VERSION_DOTS}")
configure_file(${PROJECT_SOURCE_DIR}/res/windows/veldrant.manifest
               ${CMAKE_BINARY_DIR}/windows/veldrant.manifest @ONLY)

function(veldrant_windows_resources target description)
  set(VELDRANT_ICON ${PROJECT_SOURCE_DIR}/res/icon128.ico)
  set(VELDRANT_MANIFEST ${CMAKE_BINARY_DIR}/windows/veldrant.manifest)
  set(VELDRANT_FILE_DESCRIPTION "${description}")
  get_target_property(VELDRANT_INTERNAL_NAME ${target} OUTPUT_NAME)
  if(NOT VELDRANT_INTERNAL_NAME)
    set(VELDRANT_INTERNAL_NAME ${target})
  endif()
  set(rc ${CMAKE_BINARY_DIR}/windows/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/windows/veldrant.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
               ${VELDRANT_ICON} ${VELDRANT_MANIFEST})
endfunction()
