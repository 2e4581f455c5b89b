# Include paths by layer. Sources include headers from the repository root
# ("engine/edit/mux.h"), but the root itself is no include path of any
# library: each library gets a directory of its own under the build tree
# that holds one link, at its folder's place, to its folder. A library
# therefore finds its own headers and, through the libraries it links, the
# headers of the layers below it; a header of a layer above is not found and
# the include is a build error.
set(CW_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# cw_layer_includes(target folder): `target` sees `folder` (relative to the
# source root) as "folder/...", and so does everything that links it.
function(cw_layer_includes target folder)
  set(root ${CW_LAYER_ROOT}/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()
