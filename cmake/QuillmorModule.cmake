# quillmor_module(NAME [DEPS ...]) declares the subsystem library of the calling folder from
# every .cpp file in it.
function(quillmor_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# quillmor_add_test(NAME [DEPS ...] [LABELS ...]) builds one GoogleTest executable from every
# .cpp file of the calling folder and registers its cases with CTest.
function(quillmor_add_test name)
  cmake_parse_arguments(ARG "" "" "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE qm_test_support ${ARG_DEPS} GTest::gtest GTest::gmock
                                        GTest::gtest_main)
  set(props ENVIRONMENT "TZ=Europe/Berlin")
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
