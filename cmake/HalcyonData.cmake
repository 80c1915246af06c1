# Every file of the build's data directory is made by a custom command declared
# with halcyon_data_files(); the `data` target (show/) builds them all.
set(HALCYON_BUILD_DATA_DIR "${CMAKE_BINARY_DIR}/data")
file(MAKE_DIRECTORY "${HALCYON_BUILD_DATA_DIR}")

function(halcyon_data_files)
  set_property(GLOBAL APPEND PROPERTY HALCYON_DATA_FILES ${ARGN})
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
