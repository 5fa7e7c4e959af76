# Shared compile settings and small helpers so that each module's CMakeLists stays short.

add_library(kv_warnings INTERFACE)
target_compile_options(kv_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(KV_WERROR)
  target_compile_options(kv_warnings INTERFACE -Werror)
endif()

# The version header every module may include as "kv/version.h".
set(KV_VERSION_HEADER ${CMAKE_BINARY_DIR}/generated/kv/version.h)
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${KV_VERSION_HEADER} @ONLY)

# No include root for the whole tree: a header is reachable only through the target that owns
# its folder (kv_include_root below), so an include against the layers fails to build.
add_library(kv_common INTERFACE)
target_include_directories(kv_common INTERFACE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(kv_common INTERFACE kv_warnings)
if(WIN32)
  target_compile_definitions(kv_common INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                 _WIN32_WINNT=0x0601)
  # Every program and test stands alone: no libgcc/libstdc++/winpthread DLLs.
  target_link_options(kv_common INTERFACE -static -static-libgcc -static-libstdc++)
endif()
if(KV_SANITIZE)
  target_compile_options(kv_common INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined)
  target_link_options(kv_common INTERFACE -fsanitize=address,undefined)
endif()
if(KV_TSAN)
  target_compile_options(kv_common INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(kv_common INTERFACE -fsanitize=thread)
endif()

# kv_include_root(TARGET SCOPE FOLDER): lets TARGET (and, with PUBLIC or INTERFACE, whoever links
# it) include "FOLDER/..." and no other folder of the tree. The root is a folder in the build
# tree holding one link, FOLDER, to the source folder.
function(kv_include_root target scope folder)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${folder})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# kv_module(NAME [DEPS ...]): a static library of every .cpp directly inside the current folder,
# whose headers its users include as "<folder>/name.h". DEPS are the modules its headers and
# sources include: nothing else is reachable.
function(kv_module name)
  cmake_parse_arguments(M "" "" "DEPS;EXTRA_SOURCES" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(NOT srcs AND NOT M_EXTRA_SOURCES)
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE kv_common ${M_DEPS})
    kv_include_root(${name} INTERFACE ${folder})
    return()
  endif()
  add_library(${name} STATIC ${srcs} ${M_EXTRA_SOURCES})
  target_link_libraries(${name} PUBLIC kv_common ${M_DEPS})
  kv_include_root(${name} PUBLIC ${folder})
endfunction()

include(GoogleTest)

# kv_test_suite(NAME DIR [LIBS ...] [LABELS ...] [WIN64_PREFIX]): one GoogleTest program of every
# .cpp in tests/DIR, registered with CTest case by case as NAME.Suite.Case natively, and as one
# test NAME under Wine (in the 32-bit prefix) for the Windows build. WIN64_PREFIX registers the same program once more in the Windows build,
# as NAME_win64 with the label win64, run in the 64-bit prefix; the program sees
# KV_WINEARCH=win64 there (win32 in the first prefix).
function(kv_test_suite name dir)
  cmake_parse_arguments(T "WIN64_PREFIX" "" "LIBS;LABELS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(WIN32)
    file(GLOB win_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/win32/*.cpp)
  else()
    file(GLOB win_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/posix/*.cpp)
  endif()
  if(NOT srcs AND NOT win_srcs)
    return()
  endif()
  add_executable(${name} ${srcs} ${win_srcs})
  target_link_libraries(${name} PRIVATE kv_test_support ${T_LIBS} GTest::gtest_main GTest::gmock)
  set(environment "KV_SOURCE_DIR=${CMAKE_SOURCE_DIR};KV_BINARY_DIR=${CMAKE_BINARY_DIR}")
  if(NOT CMAKE_CROSSCOMPILING)
    # Natively every case is a CTest test of its own, so a failure shows by its name. (Under
    # Wine each case would start its own Wine process, several hundred seconds for the suites:
    # there the suite stays one test and its output names the failing cases.)
    gtest_discover_tests(${name} TEST_PREFIX "${name}." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         TEST_LIST ${name}_cases)
    # List-valued properties do not survive gtest_discover_tests' PROPERTIES: set them from a
    # file CTest reads after the discovered list.
    set(properties_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
    file(WRITE ${properties_file}
         "foreach(t IN LISTS ${name}_cases)\n"
         "  set_tests_properties(\"\${t}\" PROPERTIES ENVIRONMENT \"${environment}\"\n"
         "                       LABELS \"unit;${dir};${T_LABELS}\" TIMEOUT 900)\n"
         "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${properties_file})
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${environment}"
    LABELS "unit;${dir};${T_LABELS}"
    TIMEOUT 900)
  if(CMAKE_CROSSCOMPILING)
    set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
                 "WINEPREFIX=${KV_WINEPREFIX};KV_WINEARCH=win32")
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wineprefix)
    if(T_WIN64_PREFIX)
      add_test(NAME ${name}_win64 COMMAND ${name})
      set_tests_properties(${name}_win64 PROPERTIES
        ENVIRONMENT "${environment};WINEPREFIX=${KV_WINEPREFIX64};KV_WINEARCH=win64"
        LABELS "unit;${dir};${T_LABELS};win64"
        FIXTURES_REQUIRED wineprefix64
        TIMEOUT 900)
    endif()
  endif()
endfunction()
