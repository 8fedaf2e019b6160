# One static library per folder. Headers that other folders include live in
# <folder>/include/<folder>/, so they are still written "folder/header.h" and
# nothing else of the folder is reachable from outside; headers used only
# inside the folder sit beside the sources and are included by plain name.
#   korim_library(name SOURCES files... [PUBLIC deps...] [PRIVATE deps...])
# A dependency is PUBLIC only when a public header includes its headers.
function(korim_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;PUBLIC;PRIVATE")
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name}
    PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
    PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
endfunction()
