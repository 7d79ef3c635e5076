# Checks that the engine's modules depend on each other one way, as their
# CMakeLists.txt list it. The build runs it whenever a file of a module
# changes, and CMake once when it configures:
#
#   cmake -DVQ_MODULE_GRAPH=<graph> [-DVQ_MODULE_CHECK_STAMP=<stamp>] -P VQCheckModules.cmake
#
# <graph> sets VQ_SOURCE_ROOT, VQ_MODULES and, for each module m,
# VQ_MODULE_DIR_<m> (its folder below engine/) and VQ_MODULE_DEPS_<m> (what
# it lists among its DEPS); vq_check_module_graph() writes it. The check fails
# when a module includes a header of a module it does not list, or when the
# modules depend on each other in a cycle; the stamp is touched when it holds.
# Dependencies run one way: platform, common, fonts, pdf, the exporter
# interface, the formats, the fronts.
cmake_policy(VERSION 3.25)

# The module whose folder holds `file` (a path below engine/): the deepest
# module folder that is a prefix of the file's folder.
function(_vq_module_of_file file dirs out)
  get_filename_component(dir "${file}" DIRECTORY)
  set(found "")
  while(TRUE)
    list(FIND dirs "${dir}" at)
    if(NOT at EQUAL -1)
      set(found "${dir}")
      break()
    endif()
    if(dir STREQUAL "")
      break()
    endif()
    get_filename_component(dir "${dir}" DIRECTORY)
  endwhile()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

function(_vq_module_graph_problems out)
  set(engine "${VQ_SOURCE_ROOT}/engine")
  set(dirs "")
  foreach(m ${VQ_MODULES})
    list(APPEND dirs "${VQ_MODULE_DIR_${m}}")
  endforeach()
  set(problems "")
  foreach(m ${VQ_MODULES})
    set(d "${VQ_MODULE_DIR_${m}}")
    set(deps "${VQ_MODULE_DEPS_${m}}")
    file(GLOB files "${engine}/${d}/*.h" "${engine}/${d}/*.cpp" "${engine}/${d}/*.c")
    foreach(f ${files})
      file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
      foreach(line ${lines})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*$" "\\1" inc "${line}")
        if(NOT EXISTS "${engine}/${inc}")
          continue()  # a header beside the file, or a generated one
        endif()
        _vq_module_of_file("${inc}" "${dirs}" target)
        if(target STREQUAL "" OR target STREQUAL d)
          continue()
        endif()
        string(REPLACE "/" "_" target_name "vq_${target}")
        list(FIND deps "${target_name}" listed)
        if(listed EQUAL -1)
          file(RELATIVE_PATH rel "${VQ_SOURCE_ROOT}" "${f}")
          list(APPEND problems "${rel} includes ${inc}, but ${m} does not list ${target_name}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  # Cycles: a depth-first walk that remembers the modules on the current path.
  foreach(m ${VQ_MODULES})
    set(stack "${m}")
    set(path_${m} "${m}")
    set(seen "")
    while(stack)
      list(POP_BACK stack cur)
      list(FIND seen "${cur}" was)
      if(NOT was EQUAL -1)
        continue()
      endif()
      list(APPEND seen "${cur}")
      foreach(dep ${VQ_MODULE_DEPS_${cur}})
        if(dep STREQUAL m)
          list(APPEND problems "module cycle: ${path_${cur}} -> ${m}")
        elseif(dep MATCHES "^vq_")
          set(path_${dep} "${path_${cur}} -> ${dep}")
          list(APPEND stack "${dep}")
        endif()
      endforeach()
    endwhile()
  endforeach()
  list(REMOVE_DUPLICATES problems)
  set(${out} "${problems}" PARENT_SCOPE)
endfunction()

include("${VQ_MODULE_GRAPH}")
_vq_module_graph_problems(problems)
if(problems)
  string(REPLACE ";" "\n  " text "${problems}")
  message(FATAL_ERROR "Module dependencies broken:\n  ${text}")
endif()
if(VQ_MODULE_CHECK_STAMP)
  file(TOUCH "${VQ_MODULE_CHECK_STAMP}")
endif()
