# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads
# variant, whose libstdc++ has std::thread and std::mutex). The libraries come
# from tools/windows/build-deps.sh: ZEL_MINGW_PREFIX names the folder it
# filled, and pkg-config looks there and nowhere else.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZEL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEL_MINGW_TRIPLET}-windres)

if(NOT ZEL_MINGW_PREFIX AND DEFINED ENV{ZEL_MINGW_PREFIX})
    set(ZEL_MINGW_PREFIX $ENV{ZEL_MINGW_PREFIX})
endif()
if(NOT ZEL_MINGW_PREFIX)
    set(ZEL_MINGW_PREFIX /var/cache/zeltarik-mingw/prefix)
endif()
set(ZEL_MINGW_PREFIX ${ZEL_MINGW_PREFIX} CACHE PATH "The cross-built dependencies")
# try_compile projects see the toolchain file again; hand them the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZEL_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEL_MINGW_TRIPLET} ${ZEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_LIBDIR} ${ZEL_MINGW_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(ENV{PKG_CONFIG_PATH} "")

# One executable with nothing beside it: the C and C++ runtimes and winpthread
# are linked in statically, as are the libraries of the prefix.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Static libraries need the libraries they use themselves on the link line:
# pkg-config's private ones.
set(PKG_CONFIG_ARGN --static)
