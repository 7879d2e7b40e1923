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

# The Windows headers as Windows 95 has them: WINVER and _WIN32_WINNT 4.0
# hide every function that came later, so a call to one fails to compile;
# STRICT makes each kind of handle a type of its own.
add_library(qx_win95_api INTERFACE)
target_compile_definitions(qx_win95_api INTERFACE WINVER=0x0400 _WIN32_WINNT=0x0400 STRICT)

add_library(qx_win95_crt OBJECT
  platform/crt/Memory.cpp
  platform/crt/Startup.cpp
  platform/crt/String.cpp
  platform/crt/Stdio.cpp
)
target_include_directories(qx_win95_crt PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
# The shipping flags, and two of its own: without -fno-builtin and
# -fno-tree-loop-distribute-patterns the compiler would turn the loops of
# memcpy and memset into calls to themselves.
target_compile_options(qx_win95_crt PRIVATE -fno-builtin -fno-tree-loop-distribute-patterns)
target_link_libraries(qx_win95_crt PRIVATE qx_shipping_flags qx_win95_api INTERFACE gcc kernel32 user32 gdi32)

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

# qx_cd_program(TARGET OUTPUT_NAME SOURCE... [LIBRARIES LIBRARY...]
#               [DOS_HALF NAME])
# A program of ours that ships on the CD and so must start on Windows 95:
# OUTPUT_NAME.exe, built with the shipping flags and the Windows 95 headers,
# linked with LIBRARIES and then our run-time library only, stripped, without
# unused sections, for subsystem 4.0; the build prints its size. DOS_HALF
# makes it a dual-mode program: the MS-DOS image NAME (qx_dos_image in
# cmake/dos.cmake, ${QX_DOS_DIR}/NAME.bin) goes in front of the linked
# program, in the place of the linker's stub, before the size is printed.
function(qx_cd_program target output_name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "DOS_HALF" "LIBRARIES")
  add_executable(${target} WIN32 ${arg_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output_name})
  target_link_libraries(${target} PRIVATE ${arg_LIBRARIES} qx_shipping_flags qx_win95_api)
  # The CD's icon and the version header are the launcher's.
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/res)
  qx_use_win95_runtime(${target})
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections -Wl,--subsystem,windows:4.0)
  set(dos_half)
  if(arg_DOS_HALF)
    set(image ${QX_DOS_DIR}/${arg_DOS_HALF}.bin)
    add_dependencies(${target} ${arg_DOS_HALF} qx_dosstub)
    # A changed MS-DOS half, or tool, links the Windows half again, and so
    # runs the step that puts it in front.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${image} ${QX_DOS_STUB})
    set(dos_half COMMAND ${QX_DOS_STUB} ${image} $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    ${dos_half}
    COMMAND sh -c "echo \"${output_name}.exe: $(stat -c %s '$<TARGET_FILE:${target}>') bytes\""
    VERBATIM)
endfunction()
