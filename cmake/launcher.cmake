# The i686 Windows build: the launcher executable, the sample CD folder and
# the tests that run under Wine.
enable_language(RC)
include(cmake/win95-runtime.cmake)

# The shipping code: small, no exceptions, no run-time type information.
set(qx_size_flags -Os -ffunction-sections -fdata-sections)
target_compile_options(qx_portable PRIVATE ${qx_size_flags} -fno-exceptions -fno-rtti)

add_library(qx_launcher_core STATIC
  app/LauncherApp.cpp
  commands/LaunchCommands_win.cpp
  platform/Dialog.cpp
  platform/File.cpp
  platform/String.cpp
  platform/WinApp.cpp
  platform/Wnd.cpp
  ui/Dib.cpp
  ui/LauncherDlg.cpp
)
target_include_directories(qx_launcher_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(qx_launcher_core PRIVATE ${qx_size_flags} -fno-exceptions -fno-rtti)
target_compile_definitions(qx_launcher_core PUBLIC WINVER=0x0400 _WIN32_WINNT=0x0400 STRICT)
target_link_libraries(qx_launcher_core PUBLIC qx_portable)

set(qx_resources
  ${CMAKE_CURRENT_SOURCE_DIR}/res/resource.h
  ${CMAKE_CURRENT_SOURCE_DIR}/res/version.h
  ${CMAKE_CURRENT_SOURCE_DIR}/res/backdrop.bmp
  ${CMAKE_CURRENT_SOURCE_DIR}/res/qxinst.ico
)
set_source_files_properties(res/Qxinst95.rc PROPERTIES OBJECT_DEPENDS "${qx_resources}")

add_executable(Qxinst95 WIN32
  app/Main.cpp
  platform/AppMain.cpp
  res/Qxinst95.rc
)
target_compile_options(Qxinst95 PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${qx_size_flags} -fno-exceptions -fno-rtti>)
target_include_directories(Qxinst95 PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/res)
target_link_libraries(Qxinst95 PRIVATE qx_launcher_core)
# No C run-time DLL: the program imports from KERNEL32, USER32 and GDI32 only.
# Subsystem 4.0 lets it run on Windows 95.
qx_use_win95_runtime(Qxinst95)
target_link_options(Qxinst95 PRIVATE -s -Wl,--gc-sections -Wl,--subsystem,windows:4.0)
add_custom_command(TARGET Qxinst95 POST_BUILD
  COMMAND sh -c "echo \"Qxinst95.exe: $(stat -c %s '$<TARGET_FILE:Qxinst95>') bytes\""
  VERBATIM)

# The sample CD: the launcher at its root, the read-me and the batch files it starts.
set(QX_CD_DIR ${CMAKE_BINARY_DIR}/cd)
add_custom_target(sample_cd ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_CURRENT_SOURCE_DIR}/samplecd ${QX_CD_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Qxinst95> ${QX_CD_DIR}/Qxinst95.exe
  DEPENDS Qxinst95
  COMMENT "Laying out the sample CD in ${QX_CD_DIR}")

option(QX_WIN_TESTS "Build the tests that run under Wine" ON)
if(QX_WIN_TESTS)
  enable_testing()
  add_subdirectory(tests/win)
  add_subdirectory(tests/win95)
endif()
