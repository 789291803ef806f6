# Each folder's sources are found by pattern, so that adding a file needs no edit here.
function(tk_sources out_var)
  file(GLOB _found CONFIGURE_DEPENDS ${ARGN})
  list(SORT _found)
  set(${out_var} ${_found} PARENT_SCOPE)
endfunction()
