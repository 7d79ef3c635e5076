# Every folder of the engine that holds sources is one static module named
# after its path (engine/platform/pdf -> vq_platform_pdf). Modules are linked
# whole into libvqpapyrant.so; tests link only the modules they exercise, so a
# test target builds without the rest of the engine.
#
#   vq_module(DEPS <modules and imported targets>)   in engine/<path>/CMakeLists.txt
#   vq_test(DEPS <modules and imported targets>)     in tests/<path>/CMakeLists.txt

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
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/engine")
  target_link_libraries(${name} PUBLIC ${M_DEPS} Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    VQ_SOURCE_RESOURCES_DIR="${PROJECT_SOURCE_DIR}/engine/resources"
    VQ_INSTALL_RESOURCES_DIR="${CMAKE_INSTALL_FULL_DATADIR}/vqpapyrant")
  set_property(GLOBAL APPEND PROPERTY VQ_MODULES ${name})
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
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
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
