# The sample CD: the CD's own programs (installer and sample game), its
# program-information files, the release checks of the launcher's resources,
# and the CD folder laid out from all of them. Included by launcher.cmake.

# Tools that run on the build machine, compiled with its own C++ compiler.
find_program(QX_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
set(QX_HOST_TOOL_DIR ${CMAKE_BINARY_DIR}/host-tools)
function(qx_host_tool name)
  set(sources ${ARGN})
  list(TRANSFORM sources PREPEND ${CMAKE_SOURCE_DIR}/)
  add_custom_command(OUTPUT ${QX_HOST_TOOL_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QX_HOST_TOOL_DIR}
    COMMAND ${QX_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -I${CMAKE_SOURCE_DIR} -o ${QX_HOST_TOOL_DIR}/${name} ${sources}
    DEPENDS ${sources}
    COMMENT "Building the host tool ${name}"
    VERBATIM)
endfunction()
qx_host_tool(makepif tools/makepif.cpp)
# The release check of the templates expands them with the launcher's own code.
qx_host_tool(relcheck tools/relcheck.cpp commands/ExpandCommandTemplate.cpp commands/CanonicalizeCommandPath.cpp)
qx_host_tool(artpack tools/artpack.cpp)
include(cmake/dos.cmake)

# The CD's own programs, built like the launcher, each with its MS-DOS half
# in front. The installer's MS-DOS half has no string table: it carries its
# texts compiled in (InstallTextTable.cpp).
#
# The installer's Windows half links its sources in the order of their
# names, as it always has: that order lays out the program file, which
# should change only with its code.
set(qx_install_sources
  cdprograms/install/Install_win.cpp
  cdprograms/install/InstallFileSystem_win.cpp
  ${QX_INSTALL_CORE_SOURCES})
list(SORT qx_install_sources)
qx_cd_program(qx_install install ${qx_install_sources} cdprograms/install/Install.rc DOS_HALF install_dos)
qx_dos_image(install_dos
  cdprograms/install/Install_dos.cpp
  cdprograms/install/InstallFileSystem_dos.cpp
  cdprograms/install/MarkerRead.cpp
  cdprograms/install/PromptLine.cpp
  SHARED
  ${QX_INSTALL_CORE_SOURCES}
  cdprograms/install/InstallTextTable.cpp)
qx_cd_program(qx_game orvane
  cdprograms/game/Game_win.cpp
  cdprograms/game/GameMode.cpp
  cdprograms/game/Game.rc
  DOS_HALF orvane_dos)
qx_dos_image(orvane_dos cdprograms/game/Game_dos.cpp SHARED cdprograms/game/GameMode.cpp)
# Their sources name every header from the top of the tree.
foreach(target qx_install qx_game)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
endforeach()
set_source_files_properties(cdprograms/install/Install.rc
  PROPERTIES OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/res/qxinst.ico)
set_source_files_properties(cdprograms/game/Game.rc
  PROPERTIES OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/res/qxinst.ico;${CMAKE_SOURCE_DIR}/cdprograms/game/GameText.h")

# The program-information files: file name, title, program, parameters.
set(QX_PIF_DIR ${CMAKE_BINARY_DIR}/pif)
set(qx_pifs)
function(qx_pif file title program)
  add_custom_command(OUTPUT ${QX_PIF_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QX_PIF_DIR}
    COMMAND ${QX_HOST_TOOL_DIR}/makepif ${QX_PIF_DIR}/${file} ${title} ${program} ${ARGN}
    DEPENDS ${QX_HOST_TOOL_DIR}/makepif
    VERBATIM)
  set(qx_pifs ${qx_pifs} ${QX_PIF_DIR}/${file} PARENT_SCOPE)
endfunction()
# Install: the CD check that the launcher writes to C: finds the CD again in
# MS-DOS mode and runs its installer; without it, the installer from drive D:.
qx_pif(qxchk.pif "Orvane CD check" "C:\\_QXCHKCD.BAT")
qx_pif(qxinst.pif "Orvane Setup" "D:\\INSTALL.EXE")
# Play and Configure, from the game's folder.
qx_pif(qx.pif "Orvane" "ORVANE.EXE")
qx_pif(qxconfig.pif "Orvane set-up" "ORVANE.EXE" "/SETUP")

# Release checks of what changes from one CD release to the next: the
# command templates in the compiled resource script, the backdrop and the
# icon. A failure stops the build before the launcher is linked.
set(qx_release_res ${CMAKE_BINARY_DIR}/release-check/Qxinst95.res)
set(qx_release_stamp ${CMAKE_BINARY_DIR}/release-check/passed)
add_custom_command(OUTPUT ${qx_release_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release-check
  COMMAND ${CMAKE_COMMAND} -E remove -f ${qx_release_stamp}
  COMMAND ${CMAKE_RC_COMPILER} -O res -I ${CMAKE_SOURCE_DIR}
          ${CMAKE_SOURCE_DIR}/res/Qxinst95.rc -o ${qx_release_res}
  COMMAND sh tools/release-check.sh ${QX_HOST_TOOL_DIR} ${qx_release_res} res/backdrop.bmp res/qxinst.ico
  COMMAND ${CMAKE_COMMAND} -E touch ${qx_release_stamp}
  # Messages name the files as the source tree does.
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/res/Qxinst95.rc ${qx_resources} ${CMAKE_SOURCE_DIR}/tools/release-check.sh
          ${QX_HOST_TOOL_DIR}/relcheck ${QX_HOST_TOOL_DIR}/artpack
  COMMENT "Release checks: command templates, backdrop, icon"
  VERBATIM)
add_custom_target(release_checks ALL DEPENDS ${qx_release_stamp})
add_dependencies(Qxinst95 release_checks)

# The sample CD, file by file as it lands on the CD.
set(QX_CD_DIR ${CMAKE_BINARY_DIR}/cd)
set(qx_cd_files
  samplecd/autorun.inf
  samplecd/readme.txt
  samplecd/instdata/runcheck.bat
  samplecd/instdata/gostart.bat
)
set(qx_cd_copies)
foreach(file ${qx_cd_files})
  string(REPLACE "samplecd/" "" to ${file})
  list(APPEND qx_cd_copies COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/${file} ${QX_CD_DIR}/${to})
endforeach()
add_custom_target(sample_cd ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${QX_CD_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QX_CD_DIR}/instdata ${QX_CD_DIR}/game
  ${qx_cd_copies}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Qxinst95> ${QX_CD_DIR}/Qxinst95.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:qx_install> ${QX_CD_DIR}/install.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${QX_PIF_DIR}/qxinst.pif ${QX_PIF_DIR}/qxchk.pif ${QX_CD_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:qx_game> ${QX_CD_DIR}/game/orvane.exe
  COMMAND ${CMAKE_COMMAND} -E copy ${QX_PIF_DIR}/qx.pif ${QX_PIF_DIR}/qxconfig.pif ${QX_CD_DIR}/game
  DEPENDS Qxinst95 qx_install qx_game ${qx_pifs}
  COMMENT "Laying out the sample CD in ${QX_CD_DIR}"
  VERBATIM)
