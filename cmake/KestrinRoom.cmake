# kestrin_room(TARGET FOLDER SOURCES... [DEPENDS rooms...] [LIBS libraries...])
# One folder of the layout as one static library. A room sees its own
# headers and those of the rooms it depends on, nothing else: each room's
# include folder in the build holds a link to that room alone, so that an
# include against the direction of the layout does not compile.
function(kestrin_room target folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LIBS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  set(view ${CMAKE_BINARY_DIR}/rooms/${folder})
  file(MAKE_DIRECTORY ${view})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${view})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} ${ARG_LIBS})
endfunction()
