# 32-bit x86 Linux from an x86-64 Debian machine: GCC's multilib compiler
# (g++-multilib, -m32) with the i386 multiarch packages beside the native ones
# (libjpeg62-turbo-dev:i386, libgtest-dev:i386). The programs run natively.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
# Where Debian's multiarch puts the i386 libraries and their CMake files.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
