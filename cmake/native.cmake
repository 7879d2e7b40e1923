# Native build of the portable logic: unit tests (with AddressSanitizer and
# UndefinedBehaviorSanitizer when QX_SANITIZE is on) and libFuzzer targets
# (clang only).
option(QX_SANITIZE "Build the native tests with ASan and UBSan" ON)
option(QX_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(QX_SANITIZE)
  set(qx_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(qx_portable PUBLIC ${qx_sanitize_flags})
  target_link_options(qx_portable PUBLIC ${qx_sanitize_flags})
endif()

enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_subdirectory(tests/native)
if(QX_FUZZ)
  add_subdirectory(fuzz)
endif()
