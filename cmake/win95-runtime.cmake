# Windows 95 ships no msvcrt.dll: a program that imports from it does not
# start there. Our programs for the CD therefore link no C run-time library at
# all. qx_win95_crt brings the entry point and the few C routines they use
# (platform/crt/Crt.h lists them); the rest comes from KERNEL32, USER32 and
# GDI32 and, linked statically, from the compiler's helper library libgcc.
# Anything else a program pulls in (the C++ library, a routine of the C
# run-time we do not have) fails the link instead of reaching the user.
#
# The tests and the native builds keep the real C library: only programs
# named in qx_use_win95_runtime() get this one.
add_library(qx_win95_crt OBJECT
  platform/crt/Memory.cpp
  platform/crt/Startup.cpp
  platform/crt/String.cpp
  platform/crt/Stdio.cpp
)
target_include_directories(qx_win95_crt PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(qx_win95_crt PRIVATE WINVER=0x0400 _WIN32_WINNT=0x0400 STRICT)
# The shipping flags, and two of its own: without -fno-builtin and
# -fno-tree-loop-distribute-patterns the compiler would turn the loops of
# memcpy and memset into calls to themselves.
target_compile_options(qx_win95_crt PRIVATE -fno-builtin -fno-tree-loop-distribute-patterns)
target_link_libraries(qx_win95_crt PRIVATE qx_shipping_flags INTERFACE gcc kernel32 user32 gdi32)

# Links TARGET, a Win32 program, against qx_win95_crt and the system DLLs
# only; call it after the program's own target_link_libraries, so that the
# system libraries come last. The entry point is the library's
# WinMainCRTStartup; the program defines WinMain. Data imported from a DLL
# without dllimport fails the link: nothing here would patch such references
# at run time, as MinGW's start-up code does.
function(qx_use_win95_runtime target)
  target_link_libraries(${target} PRIVATE qx_win95_crt)
  target_link_options(${target} PRIVATE
    -nostdlib -static -Wl,--entry,_WinMainCRTStartup -Wl,--disable-auto-import)
endfunction()
