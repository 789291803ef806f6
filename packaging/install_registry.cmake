# Install step: the system-wide class registry. Each installed control library registers itself
# into an empty registry, exactly as `quorvane-register` does for a user; the file is then
# installed as the system's. A library records the path it was loaded from, which under a staging
# folder (DESTDIR, as when the package is built) carries that folder in front: it is taken off, so
# that the registry names the library where it is finally installed.
#
# Set by the caller: TK_REGISTER (the registration program), TK_MODULES (file names of the
# libraries), TK_MODULEDIR (their installed folder), TK_REGISTRY (the installed registry file),
# TK_WORK (a scratch folder).

set(_staged_dir "$ENV{DESTDIR}${TK_MODULEDIR}")
set(_staged_registry "$ENV{DESTDIR}${TK_REGISTRY}")
file(REMOVE_RECURSE "${TK_WORK}")
file(MAKE_DIRECTORY "${TK_WORK}")

foreach(module ${TK_MODULES})
  # The registry of an empty data folder: XDG_DATA_HOME points at the scratch folder, and no
  # system folder is read while registering.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "XDG_DATA_HOME=${TK_WORK}" "XDG_DATA_DIRS=${TK_WORK}/none"
            "${TK_REGISTER}" "${_staged_dir}/${module}"
    RESULT_VARIABLE _result OUTPUT_VARIABLE _output ERROR_VARIABLE _output)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "registering ${module} for the system-wide class registry failed: ${_output}")
  endif()
endforeach()

file(READ "${TK_WORK}/commtestkit/classes.reg" _registry)
# Reading gives the registry's CR LF line ends as LF; the file is written back with CR LF, as the
# registry's own writer writes every line.
string(REPLACE "\r\n" "\n" _registry "${_registry}")
string(REPLACE "\n" "\r\n" _registry "${_registry}")
# The library names itself by its real path (links resolved), so the staging folder is matched
# in that form.
file(REAL_PATH "${_staged_dir}" _staged_real)
string(REPLACE "${_staged_real}/" "${TK_MODULEDIR}/" _registry "${_registry}")
foreach(module ${TK_MODULES})
  string(FIND "${_registry}" "${TK_MODULEDIR}/${module}" _at)
  if(_at EQUAL -1)
    message(FATAL_ERROR "the class registry does not name ${TK_MODULEDIR}/${module}")
  endif()
endforeach()
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  string(FIND "${_registry}" "$ENV{DESTDIR}" _staged_at)
  if(NOT _staged_at EQUAL -1)
    message(FATAL_ERROR "the class registry still names the staging folder $ENV{DESTDIR}")
  endif()
endif()

message(STATUS "Installing: ${_staged_registry}")
file(WRITE "${_staged_registry}" "${_registry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_staged_registry}")
