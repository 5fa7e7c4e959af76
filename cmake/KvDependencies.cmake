# zlib (static in the Windows build so that every .exe stands alone), GoogleTest,
# and the header-only CLI11 and nlohmann-json.

if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)

if(CMAKE_CROSSCOMPILING)
  # GoogleTest from Debian's sources, built with the cross compiler.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main gmock gmock_main)
    target_link_options(${t} PUBLIC -static)
  endforeach()
  # Header-only libraries through a folder of links: /usr/include itself would pull in glibc headers.
  set(KV_HEADER_LINKS ${CMAKE_BINARY_DIR}/header-links)
  file(MAKE_DIRECTORY ${KV_HEADER_LINKS})
  foreach(dir CLI nlohmann)
    if(EXISTS /usr/include/${dir} AND NOT EXISTS ${KV_HEADER_LINKS}/${dir})
      file(CREATE_LINK /usr/include/${dir} ${KV_HEADER_LINKS}/${dir} SYMBOLIC)
    endif()
  endforeach()
  add_library(kv_header_only INTERFACE)
  target_include_directories(kv_header_only SYSTEM INTERFACE ${KV_HEADER_LINKS})
else()
  find_package(GTest REQUIRED)
  add_library(kv_header_only INTERFACE)
endif()
