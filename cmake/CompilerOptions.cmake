# Warnings, assertions and the sanitizer configurations shared by every target.

# Assertions stay on in every configuration: they tell the next developer what
# went wrong, and the program never relies on them being compiled out.
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O2 -g")
set(CMAKE_C_FLAGS_RELWITHDEBINFO "-O2 -g")
set(CMAKE_CXX_FLAGS_RELEASE "-O2")
set(CMAKE_C_FLAGS_RELEASE "-O2")

add_compile_options(-Wall -Wextra -Wno-unused-parameter)
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wsuggest-override>)

# ZEL_SANITIZE selects a sanitizer build: "address,undefined" or "thread".
set(ZEL_SANITIZE "" CACHE STRING "Sanitizers to build with (address,undefined or thread)")
if(ZEL_SANITIZE)
    add_compile_options(-fsanitize=${ZEL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=${ZEL_SANITIZE})
endif()

# Header-only dependencies whose own headers warn under C++20 are included as
# system headers by the targets that use them (see media/ for AGG).

# ZEL_BUILD_FUZZERS builds the libFuzzer targets of tests/fuzz/ with clang: every
# library is instrumented for coverage and checked by the address and undefined
# sanitizers; only the fuzz targets link libFuzzer's driver.
option(ZEL_BUILD_FUZZERS "Build the libFuzzer targets of tests/fuzz (clang only)" OFF)
if(ZEL_BUILD_FUZZERS)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "ZEL_BUILD_FUZZERS needs clang (CMAKE_CXX_COMPILER=clang++-14)")
    endif()
    if(ZEL_SANITIZE)
        message(FATAL_ERROR "ZEL_BUILD_FUZZERS brings its own sanitizers; leave ZEL_SANITIZE empty")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# MinGW's C library offers POSIX's thread-safe time functions (localtime_r)
# and the constants of math.h (M_PI) only when asked.
if(WIN32)
    add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L _USE_MATH_DEFINES)
endif()
