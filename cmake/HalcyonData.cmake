# The build's data directory is filled by custom targets that write into
# HALCYON_BUILD_DATA_DIR; each registers itself with halcyon_data_target() and
# the `data` target (show/) depends on them all.
set(HALCYON_BUILD_DATA_DIR "${CMAKE_BINARY_DIR}/data")
file(MAKE_DIRECTORY "${HALCYON_BUILD_DATA_DIR}")

function(halcyon_data_target target)
  set_property(GLOBAL APPEND PROPERTY HALCYON_DATA_TARGETS ${target})
endfunction()

# An object that defines kDataDir for one program: the data directory is fixed
# when the program is built, never chosen at run time. A relative directory
# (the release's "data/") is taken from the folder the executable lies in.
function(halcyon_data_dir target dir)
  if(NOT dir MATCHES "/$")
    message(FATAL_ERROR "data directory must end with a slash: ${dir}")
  endif()
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}-datadir.cpp")
  if(IS_ABSOLUTE "${dir}")
    set(content "const char* const kDataDir = \"${dir}\";\n")
  else()
    string(CONCAT content "#include \"app/common/DataDir.h\"\n"
                "const char* const kDataDir = dataDirBesideExecutable(\"${dir}\");\n")
  endif()
  string(PREPEND content "extern const char* const kDataDir;\n")
  # Rewritten only when it changes, so a new configure rebuilds nothing. (Not
  # file(CONFIGURE): Debian 11's CMake drops its newlines.)
  set(old "")
  if(EXISTS "${source}")
    file(READ "${source}" old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE "${source}" "${content}")
  endif()
  target_sources(${target} PRIVATE "${source}")
endfunction()

# Adds every direct sub-folder of the current folder that has a CMakeLists.txt.
function(halcyon_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}"
       "${CMAKE_CURRENT_SOURCE_DIR}/*")
  list(SORT children)
  foreach(child IN LISTS children)
    if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt")
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
