# SPDX-License-Identifier: MIT
# From the staged folder STAGE, writes the installer's two lists into OUT:
#   install-files.nsh    SetOutPath and File for every file, folder by folder
#   uninstall-files.nsh  Delete for exactly those files, then RMDir of their folders, deepest
#                        first; RMDir without /r leaves a folder that still holds anything else,
#                        so files a user put there survive the uninstall.
#   left-files.nsh       appends to $R9 each of those files that is still there, one a line.
#   cmake -DSTAGE=DIR -DOUT=DIR -P FileList.cmake
file(GLOB_RECURSE _files LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*)
list(SORT _files)
if(NOT _files)
  message(FATAL_ERROR "nothing staged in ${STAGE}")
endif()

set(_install "")
set(_uninstall "")
set(_left "")
set(_dirs)
set(_current "-")
foreach(_file ${_files})
  get_filename_component(_dir ${_file} DIRECTORY)
  string(REPLACE "/" "\\" _win ${_file})
  if(NOT "${_dir}" STREQUAL "${_current}")
    set(_current "${_dir}")
    string(REPLACE "/" "\\" _windir "${_dir}")
    if("${_dir}" STREQUAL "")
      string(APPEND _install "SetOutPath \"$INSTDIR\"\n")
    else()
      string(APPEND _install "SetOutPath \"$INSTDIR\\${_windir}\"\n")
      # The folder and every folder above it.
      set(_up ${_dir})
      while(NOT _up STREQUAL "")
        list(APPEND _dirs ${_up})
        get_filename_component(_up ${_up} DIRECTORY)
      endwhile()
    endif()
  endif()
  string(APPEND _install "File \"${STAGE}/${_file}\"\n")
  string(APPEND _uninstall "Delete \"$INSTDIR\\${_win}\"\n")
  string(APPEND _left "\${If} \${FileExists} \"$INSTDIR\\${_win}\"\n"
         "  StrCpy $R9 \"$R9$\\r$\\n  ${_win}\"\n\${EndIf}\n")
endforeach()

# Deepest folders first: a longer path never comes after one of its parents.
list(REMOVE_DUPLICATES _dirs)
list(SORT _dirs ORDER DESCENDING)
foreach(_dir ${_dirs})
  string(REPLACE "/" "\\" _windir "${_dir}")
  string(APPEND _uninstall "RMDir \"$INSTDIR\\${_windir}\"\n")
endforeach()
string(APPEND _install "SetOutPath \"$INSTDIR\"\n")

file(WRITE ${OUT}/install-files.nsh "${_install}")
file(WRITE ${OUT}/uninstall-files.nsh "${_uninstall}")
file(WRITE ${OUT}/left-files.nsh "${_left}")
