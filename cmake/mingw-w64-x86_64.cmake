# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, so that std::thread and
# std::mutex work). Programs are linked statically: nothing but Windows' own DLLs beside them.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-base.cmake)

# zlib as a static library (zlib1.dll would otherwise have to travel with the programs).
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows 8 and later: CancelIoEx, GetTickCount64, SetupDi and HID as today.
# _POSIX_THREAD_SAFE_FUNCTIONS: mingw-w64 then declares localtime_r and gmtime_r.
add_compile_definitions(_WIN32_WINNT=0x0602 WINVER=0x0602 UNICODE _UNICODE NOMINMAX
                        _POSIX_THREAD_SAFE_FUNCTIONS
                        WIN32_LEAN_AND_MEAN)

# Test programs run under wine (scripts/wine-run.sh keeps its prefix inside the build folder).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
