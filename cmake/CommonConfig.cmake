# One interface target carries the language standard, the warnings and the
# sanitizer options; every Flenmark target links it.
add_library(flenmark_options INTERFACE)
target_compile_features(flenmark_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(flenmark_options INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor)
target_include_directories(flenmark_options INTERFACE ${CMAKE_SOURCE_DIR}/src)

if(FLENMARK_SANITIZE)
  target_compile_options(flenmark_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(flenmark_options INTERFACE -fsanitize=address,undefined)
endif()

if(FLENMARK_CLANG_TIDY)
  find_program(CLANG_TIDY_EXE NAMES clang-tidy clang-tidy-14 REQUIRED)
  set(CMAKE_CXX_CLANG_TIDY ${CLANG_TIDY_EXE})
endif()

# Qt targets get Qt's safety defines on top of the common options.
add_library(flenmark_qt_options INTERFACE)
target_link_libraries(flenmark_qt_options INTERFACE flenmark_options)
target_compile_definitions(flenmark_qt_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS)

# Adds one GoogleTest executable per module: flenmark_add_test(NAME foundation_tests
#   SOURCES a.cpp b.cpp LIBS flenmark_foundation [LABELS slow] [TIMEOUT 600])
function(flenmark_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main flenmark_options)
  target_compile_definitions(${T_NAME} PRIVATE
    FLENMARK_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(props TIMEOUT ${T_TIMEOUT})
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
