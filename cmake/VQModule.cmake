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

# Writes the graph of the modules for cmake/VQCheckModules.cmake, checks it
# now, and adds the build step that checks it again whenever a file of a
# module changes; every module waits for that step, so a build with a broken
# include or a cycle fails before it compiles.
function(vq_check_module_graph)
  get_property(modules GLOBAL PROPERTY VQ_MODULES)
  set(text "set(VQ_SOURCE_ROOT \"${PROJECT_SOURCE_DIR}\")\nset(VQ_MODULES \"${modules}\")\n")
  set(files "")
  foreach(m ${modules})
    get_property(d GLOBAL PROPERTY VQ_MODULE_DIR_${m})
    get_property(deps GLOBAL PROPERTY VQ_MODULE_DEPS_${m})
    string(APPEND text "set(VQ_MODULE_DIR_${m} \"${d}\")\nset(VQ_MODULE_DEPS_${m} \"${deps}\")\n")
    file(GLOB own CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/engine/${d}/*.h" "${PROJECT_SOURCE_DIR}/engine/${d}/*.cpp"
                                    "${PROJECT_SOURCE_DIR}/engine/${d}/*.c")
    list(APPEND files ${own})
  endforeach()
  set(graph "${CMAKE_CURRENT_BINARY_DIR}/vq_module_graph.cmake")
  file(WRITE "${graph}.new" "${text}")
  file(COPY_FILE "${graph}.new" "${graph}" ONLY_IF_DIFFERENT)
  file(REMOVE "${graph}.new")
  set(script "${PROJECT_SOURCE_DIR}/cmake/VQCheckModules.cmake")
  set(VQ_MODULE_GRAPH "${graph}")
  include("${script}")
  set(stamp "${CMAKE_CURRENT_BINARY_DIR}/vq_module_check.stamp")
  add_custom_command(OUTPUT "${stamp}"
                     COMMAND "${CMAKE_COMMAND}" "-DVQ_MODULE_GRAPH=${graph}" "-DVQ_MODULE_CHECK_STAMP=${stamp}" -P "${script}"
                     DEPENDS "${script}" "${graph}" ${files}
                     COMMENT "Checking the dependencies of the engine's modules" VERBATIM)
  add_custom_target(vq_module_check ALL DEPENDS "${stamp}")
  foreach(m ${modules})
    add_dependencies(${m} vq_module_check)
  endforeach()
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
