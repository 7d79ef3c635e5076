# Every folder of the engine that holds sources is one static module named
# after its path (engine/platform/pdf -> vq_platform_pdf). Modules are linked
# whole into libvqpapyrant.so; tests link only the modules they exercise, so a
# test target builds without the rest of the engine.
#
#   vq_module(DEPS <modules and imported targets>)   in engine/<path>/CMakeLists.txt
#   vq_test(DEPS <modules and imported targets>)     in tests/<path>/CMakeLists.txt
#     (each test is labelled "unit" or "integration": see vq_test)

function(_vq_name_from_dir base out)
  file(RELATIVE_PATH rel "${base}" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REPLACE "/" "_" rel "${rel}")
  set(${out} "${rel}" PARENT_SCOPE)
endfunction()

function(vq_module)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  _vq_name_from_dir("${PROJECT_SOURCE_DIR}/engine" rel)
  set(name "vq_${rel}")
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.c")
  if(NOT sources)
    # A folder whose sources are still to come builds as an empty module.
    set(sources "${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp")
    file(WRITE "${sources}" "")
  endif()
  add_library(${name} STATIC ${sources})
  # The objects also make up libvqpapyrant.so, which shows only what is marked
  # VQ_EXPORT (platform/VQExport.h); in the static module the visibility makes
  # no difference.
  set_target_properties(${name} PROPERTIES C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden
                                           VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/engine" "${PROJECT_SOURCE_DIR}/include")
  target_link_libraries(${name} PUBLIC ${M_DEPS} Threads::Threads)
  set_property(GLOBAL APPEND PROPERTY VQ_MODULES ${name})
  file(RELATIVE_PATH dir "${PROJECT_SOURCE_DIR}/engine" "${CMAKE_CURRENT_SOURCE_DIR}")
  set_property(GLOBAL PROPERTY VQ_MODULE_DIR_${name} "${dir}")
  set_property(GLOBAL PROPERTY VQ_MODULE_DEPS_${name} "${M_DEPS}")
endfunction()

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

# Fails the configuration when a module includes a header of a module it does
# not list among its DEPS, or when the modules depend on each other in a
# cycle. Dependencies run one way: platform, common, fonts, pdf, the exporter
# interface, the formats, the fronts.
function(vq_check_module_graph)
  get_property(modules GLOBAL PROPERTY VQ_MODULES)
  set(dirs "")
  foreach(m ${modules})
    get_property(d GLOBAL PROPERTY VQ_MODULE_DIR_${m})
    list(APPEND dirs "${d}")
  endforeach()
  set(problems "")
  foreach(m ${modules})
    get_property(d GLOBAL PROPERTY VQ_MODULE_DIR_${m})
    get_property(deps GLOBAL PROPERTY VQ_MODULE_DEPS_${m})
    file(GLOB files "${PROJECT_SOURCE_DIR}/engine/${d}/*.h" "${PROJECT_SOURCE_DIR}/engine/${d}/*.cpp"
                    "${PROJECT_SOURCE_DIR}/engine/${d}/*.c")
    foreach(f ${files})
      file(STRINGS "${f}" lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
      foreach(line ${lines})
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*$" "\\1" inc "${line}")
        if(NOT EXISTS "${PROJECT_SOURCE_DIR}/engine/${inc}")
          continue()  # a header beside the file, or a generated one
        endif()
        _vq_module_of_file("${inc}" "${dirs}" target)
        if(target STREQUAL "" OR target STREQUAL d)
          continue()
        endif()
        string(REPLACE "/" "_" target_name "vq_${target}")
        list(FIND deps "${target_name}" listed)
        if(listed EQUAL -1)
          file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${f}")
          list(APPEND problems "${rel} includes ${inc}, but ${m} does not list ${target_name}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  # Cycles: a depth-first walk that remembers the modules on the current path.
  foreach(m ${modules})
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
      get_property(deps GLOBAL PROPERTY VQ_MODULE_DEPS_${cur})
      foreach(dep ${deps})
        if(dep STREQUAL m)
          list(APPEND problems "module cycle: ${path_${cur}} -> ${m}")
        elseif(dep MATCHES "^vq_")
          set(path_${dep} "${path_${cur}} -> ${dep}")
          list(APPEND stack "${dep}")
        endif()
      endforeach()
    endwhile()
  endforeach()
  if(problems)
    list(REMOVE_DUPLICATES problems)
    string(REPLACE ";" "\n  " text "${problems}")
    message(FATAL_ERROR "Module dependencies broken:\n  ${text}")
  endif()
endfunction()

function(vq_test)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  _vq_name_from_dir("${PROJECT_SOURCE_DIR}/tests" rel)
  set(name "test_${rel}")
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  if(NOT sources)
    return()  # a test folder whose sources are still to come
  endif()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  target_link_libraries(${name} PRIVATE ${M_DEPS} vq_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
  # Tests that read the corpus or run other programs have "Corpus" or
  # "EndToEnd" in their names and carry the label "integration"; the rest are
  # "unit" tests, the quick loop (ctest -L unit).
  gtest_discover_tests(${name} TEST_FILTER "*Corpus*:*EndToEnd*" DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300 LABELS integration)
  gtest_discover_tests(${name} TEST_FILTER "-*Corpus*:*EndToEnd*" DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300 LABELS unit)
endfunction()

# Adds every folder below `base` that has a CMakeLists.txt of its own.
function(vq_add_leaf_folders base)
  file(GLOB_RECURSE lists CONFIGURE_DEPENDS "${base}/*/CMakeLists.txt")
  list(SORT lists)
  foreach(l ${lists})
    get_filename_component(d "${l}" DIRECTORY)
    add_subdirectory("${d}")
  endforeach()
endfunction()
