# The i686 Windows build: the launcher executable, the sample CD folder and
# the tests that run under Wine.
enable_language(RC)

# The program is built for size: the scripts ask for MinSizeRel (-Os), and a
# build directory configured without a build type gets it too.
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE MinSizeRel CACHE STRING "Build type" FORCE)
endif()

# The shipping code's flags, on this one target:
# - no exceptions and no run-time type information, so nothing ever unwinds
#   and no unwind tables are wanted;
# - every function in its own section for the linker's garbage collection.
#   Not every datum: on Windows the compiler then puts zero-initialised data
#   in .data sections, and the program would carry a page of zeros;
# - Windows 95 runs on a 386. The compiler's default (i686) would use an
#   instruction that a 386, a 486 or a Pentium does not have (cmov);
# - Win32 keeps the stack 4-byte aligned and nothing here needs more, and
#   nothing loads vectors: no padding to 16 bytes at each call, nor to 32
#   bytes before each array.
add_library(qx_shipping_flags INTERFACE)
target_compile_options(qx_shipping_flags INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables -fno-unwind-tables
  -ffunction-sections -march=i386 -mpreferred-stack-boundary=2 -malign-data=abi>)
target_link_libraries(qx_portable PRIVATE qx_shipping_flags)

include(cmake/win95-runtime.cmake)

add_library(qx_launcher_core STATIC
  app/LauncherApp.cpp
  commands/LaunchCommands_win.cpp
  platform/Dialog.cpp
  platform/File.cpp
  platform/Module.cpp
  platform/String.cpp
  platform/WinApp.cpp
  platform/Wnd.cpp
  ui/Dib.cpp
  ui/LauncherDlg.cpp
)
target_include_directories(qx_launcher_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qx_launcher_core PUBLIC qx_portable qx_win95_api PRIVATE qx_shipping_flags)

set(qx_resources
  ${CMAKE_CURRENT_SOURCE_DIR}/res/resource.h
  ${CMAKE_CURRENT_SOURCE_DIR}/res/version.h
  ${CMAKE_CURRENT_SOURCE_DIR}/res/backdrop.bmp
  ${CMAKE_CURRENT_SOURCE_DIR}/res/qxinst.ico
)
set_source_files_properties(res/Qxinst95.rc PROPERTIES OBJECT_DEPENDS "${qx_resources}")

# The launcher, like every program of ours on the CD.
qx_cd_program(Qxinst95 Qxinst95
  app/TheApp.cpp
  platform/WinMain.cpp
  res/Qxinst95.rc
  LIBRARIES qx_launcher_core)

# The sample CD with its own programs, and the release checks.
include(cmake/samplecd.cmake)

# The window driver of tools/run.sh and tools/loop-pictures.sh: waits for the
# launcher's window and closes it. Built beside the launcher, whether or not
# the tests are, into tools/ of the build.
add_executable(qx_driver tools/run-driver.cpp)
set_target_properties(qx_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
target_include_directories(qx_driver PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_options(qx_driver PRIVATE -static)

option(QX_WIN_TESTS "Build the tests that run under Wine" ON)
# Where Wine runs on an emulated CPU (tools/guestlib.sh) every test takes two
# to three times as long, and more on a busy machine: the test script sets
# this to 4 there.
set(QX_TEST_TIMEOUT_SCALE 1 CACHE STRING "Factor on the time limit of each test")
# The time limits of the tests, in seconds on a machine that runs Wine itself.
math(EXPR qx_timeout_60 "60 * ${QX_TEST_TIMEOUT_SCALE}")
math(EXPR qx_timeout_300 "300 * ${QX_TEST_TIMEOUT_SCALE}")
if(QX_WIN_TESTS)
  enable_testing()
  add_subdirectory(tests/win)
  add_subdirectory(tests/win95)
  add_subdirectory(tests/dos)
endif()
