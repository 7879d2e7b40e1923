# The CD's programs for MS-DOS mode. They are C++ as well: the build
# machine's own g++ with -m16 compiles freestanding C++ to 16-bit real-mode
# code for a 386 or later, ld links it flat for the tiny model
# (cdprograms/dos/Dos.ld), and the host tool dosstub puts it in front of a
# Windows program, in the place of the linker's "cannot be run" stub
# (qx_cd_program's DOS_HALF, cmake/win95-runtime.cmake). No DOS extender:
# the programs run in the 64 KB that DOS gives them.
# Included by samplecd.cmake, after qx_host_tool is defined.

find_program(QX_DOS_CXX NAMES g++ REQUIRED)
find_program(QX_DOS_LD NAMES ld.bfd ld REQUIRED)
find_program(QX_DOS_OBJCOPY NAMES objcopy REQUIRED)
# The compiler's own headers (<stddef.h>, <stdint.h>) and ours
# (cdprograms/dos/include); the build machine's C library has no place here.
execute_process(COMMAND ${QX_DOS_CXX} -print-file-name=include
  OUTPUT_VARIABLE qx_dos_compiler_include OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QX_DOS_DIR ${CMAKE_BINARY_DIR}/dos)
set(QX_DOS_CXX_FLAGS
  -std=c++17 -m16 -march=i386 -Os -ffreestanding -fno-pic -fno-pie
  -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-threadsafe-statics -fno-stack-protector
  # The program segment prefix lies at address 0, and the run-time's string
  # routines must not become calls to themselves.
  -fno-delete-null-pointer-checks -fno-builtin -fno-tree-loop-distribute-patterns
  -ffunction-sections -fdata-sections
  -nostdinc -isystem ${qx_dos_compiler_include}
  -I${CMAKE_SOURCE_DIR}/cdprograms/dos/include -I${CMAKE_SOURCE_DIR}
  -Wall -Wextra)
if(CMAKE_COMPILE_WARNING_AS_ERROR)
  list(APPEND QX_DOS_CXX_FLAGS -Werror)
endif()

# The sources of every MS-DOS image, for the lint's compile database below.
set_property(GLOBAL PROPERTY QX_DOS_SOURCES)

qx_host_tool(dosstub tools/dosstub.cpp)
set(QX_DOS_STUB ${QX_HOST_TOOL_DIR}/dosstub)
# Programs of other folders depend on the tool through this target, and so
# do the dual-mode programs (qx_cd_program's DOS_HALF).
add_custom_target(qx_dosstub DEPENDS ${QX_DOS_STUB})

# qx_dos_image(NAME SOURCES... [SHARED SOURCES...]): compiles the sources
# (relative to the source tree) with the MS-DOS run-time and links the flat
# image ${QX_DOS_DIR}/NAME.bin (with NAME.map beside it); target NAME builds
# it. SHARED sources are portable code that the Windows programs compile
# too: the lint checks them there.
function(qx_dos_image name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SHARED")
  set(dir ${QX_DOS_DIR}/${name})
  set(objects)
  foreach(source ${arg_UNPARSED_ARGUMENTS} cdprograms/dos/DosRuntime.cpp)
    set_property(GLOBAL APPEND PROPERTY QX_DOS_SOURCES ${CMAKE_SOURCE_DIR}/${source})
  endforeach()
  foreach(source ${arg_UNPARSED_ARGUMENTS} ${arg_SHARED} cdprograms/dos/DosRuntime.cpp platform/crt/String.cpp)
    get_filename_component(base ${source} NAME_WE)
    set(object ${dir}/${base}.o)
    add_custom_command(OUTPUT ${object}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${QX_DOS_CXX} ${QX_DOS_CXX_FLAGS} -MD -MF ${object}.d -c ${CMAKE_SOURCE_DIR}/${source} -o ${object}
      DEPENDS ${CMAKE_SOURCE_DIR}/${source}
      DEPFILE ${object}.d
      COMMENT "Building MS-DOS object ${name}/${base}.o"
      VERBATIM)
    list(APPEND objects ${object})
  endforeach()
  set(start ${dir}/Start.o)
  add_custom_command(OUTPUT ${start}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${QX_DOS_CXX} -m16 -c ${CMAKE_SOURCE_DIR}/cdprograms/dos/Start.S -o ${start}
    DEPENDS ${CMAKE_SOURCE_DIR}/cdprograms/dos/Start.S
    VERBATIM)
  set(script ${CMAKE_SOURCE_DIR}/cdprograms/dos/Dos.ld)
  add_custom_command(OUTPUT ${QX_DOS_DIR}/${name}.bin
    COMMAND ${QX_DOS_LD} -m elf_i386 -T ${script} --gc-sections --no-warn-rwx-segments
            -Map ${QX_DOS_DIR}/${name}.map -o ${dir}/${name}.elf ${start} ${objects}
    COMMAND ${QX_DOS_OBJCOPY} -O binary ${dir}/${name}.elf ${QX_DOS_DIR}/${name}.bin
    COMMAND sh -c "echo \"${name}.bin: $(stat -c %s '${QX_DOS_DIR}/${name}.bin') bytes of MS-DOS program\""
    DEPENDS ${start} ${objects} ${script}
    COMMENT "Linking the MS-DOS image ${name}.bin"
    VERBATIM)
  add_custom_target(${name} DEPENDS ${QX_DOS_DIR}/${name}.bin)
endfunction()

# ${QX_DOS_DIR}/compile_commands.json: how each source of the MS-DOS
# programs alone is compiled, for clang-tidy (tools/lint.sh). clang knows -m16 too; -nostdlibinc keeps
# its own <stddef.h> and <stdint.h>, which stand in for gcc's.
function(qx_dos_write_compile_commands)
  get_property(sources GLOBAL PROPERTY QX_DOS_SOURCES)
  list(REMOVE_DUPLICATES sources)
  set(flags ${QX_DOS_CXX_FLAGS})
  list(REMOVE_ITEM flags -fno-tree-loop-distribute-patterns ${qx_dos_compiler_include} -Werror)
  list(REMOVE_ITEM flags -isystem)
  list(TRANSFORM flags REPLACE "^-nostdinc$" "-nostdlibinc")
  list(JOIN flags "\", \"" arguments)
  set(entries)
  foreach(source ${sources})
    list(APPEND entries "  {\"directory\": \"${QX_DOS_DIR}\", \"file\": \"${source}\",\n   \"arguments\": [\"clang++\", \"${arguments}\", \"-c\", \"${source}\"]}")
  endforeach()
  list(JOIN entries ",\n" text)
  file(WRITE ${QX_DOS_DIR}/compile_commands.json "[\n${text}\n]\n")
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL qx_dos_write_compile_commands)
