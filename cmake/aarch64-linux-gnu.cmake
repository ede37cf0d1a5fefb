# Cross build for 64-bit Arm Linux (Raspberry Pi OS, Debian's arm64) with Debian's cross compiler
# and the arm64 development packages installed beside the machine's own (multiarch). Programs
# built so, tests included, run here under qemu's user-mode emulator on the machine's own root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static -L /)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)
