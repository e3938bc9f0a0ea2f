# orvane_module(NAME [DEPS lib...]): a static library of every .cpp in the
# calling folder. Core modules link no Qt: a Qt include there is a build error.
function(orvane_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# orvane_shared_library(NAME [DEPS lib...]): a shared library that exports
# only what its sources mark with ORVANE_EXPORT.
function(orvane_shared_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(${name} SHARED ${sources})
  set_target_properties(${name} PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  if(ORVANE_FUZZ)
    # clang puts the sanitizer runtime into the executable only: the
    # library's references to it are resolved when the program loads it.
    target_link_options(${name} PRIVATE -Wl,--exclude-libs,ALL)
  else()
    target_link_options(${name} PRIVATE -Wl,--no-undefined -Wl,--exclude-libs,ALL)
  endif()
endfunction()
