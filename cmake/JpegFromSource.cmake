# libjpeg-turbo built from Debian's source package (scripts/setup-deps cross
# unpacks it into build/deps) as a static library, for the Windows build: no
# libjpeg is packaged for MinGW. Built once into the build tree by
# ExternalProject, SIMD parts with nasm; JPEG::JPEG as find_package(JPEG)
# would give it.
include(ExternalProject)

file(GLOB kestrel_jpeg_sources LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/build/deps/libjpeg-turbo-*)
list(FILTER kestrel_jpeg_sources EXCLUDE REGEX "\\.[a-z.]+$")
list(SORT kestrel_jpeg_sources)
list(POP_BACK kestrel_jpeg_sources kestrel_jpeg_default)
set(KESTREL_JPEG_SOURCE_DIR "${kestrel_jpeg_default}"
    CACHE PATH "The unpacked libjpeg-turbo source package (scripts/setup-deps cross)")
if(NOT EXISTS "${KESTREL_JPEG_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "libjpeg-turbo's source is missing: run scripts/setup-deps cross")
endif()
find_program(KESTREL_NASM nasm REQUIRED)

set(prefix ${CMAKE_BINARY_DIR}/libjpeg-turbo)
set(library ${prefix}/install/lib/${CMAKE_STATIC_LIBRARY_PREFIX}jpeg${CMAKE_STATIC_LIBRARY_SUFFIX})
ExternalProject_Add(libjpeg_turbo
    SOURCE_DIR ${KESTREL_JPEG_SOURCE_DIR}
    PREFIX ${prefix}
    BINARY_DIR ${prefix}/build
    INSTALL_DIR ${prefix}/install
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
        -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
        -DCMAKE_INSTALL_LIBDIR=<INSTALL_DIR>/lib
        -DCMAKE_BUILD_TYPE=Release
        -DCMAKE_ASM_NASM_COMPILER=${KESTREL_NASM}
        -DENABLE_SHARED=OFF
        -DENABLE_STATIC=ON
        -DWITH_SIMD=ON
        -DREQUIRE_SIMD=ON
        -DWITH_TURBOJPEG=OFF
    # jpegint.h too, which the transcoder's coefficient access includes (Debian's
    # libjpeg62-turbo-dev installs it).
    INSTALL_COMMAND ${CMAKE_COMMAND} --install <BINARY_DIR>
            COMMAND ${CMAKE_COMMAND} -E copy <SOURCE_DIR>/jpegint.h <INSTALL_DIR>/include/
    BUILD_BYPRODUCTS ${library}
    USES_TERMINAL_BUILD ON)

# The include folder must exist when the target is defined.
file(MAKE_DIRECTORY ${prefix}/install/include)
add_library(JPEG::JPEG STATIC IMPORTED GLOBAL)
set_target_properties(JPEG::JPEG PROPERTIES
    IMPORTED_LOCATION ${library}
    INTERFACE_INCLUDE_DIRECTORIES ${prefix}/install/include)
add_dependencies(JPEG::JPEG libjpeg_turbo)
