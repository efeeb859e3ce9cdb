# vemra_include_root(target scope folder...): the target's own include folder under the build
# folder, holding a link to each named source folder and to nothing else. With the include
# folders of the targets it links, these are all the headers the target can reach, so an
# #include "folder/header.h" of a layer it may not use does not compile.
function(vemra_include_root target scope)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  foreach(folder ${ARGN})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# The test data folder as the test program sees it: under Wine a Unix path is reached through Z:.
if(VEMRA_WINDOWS)
  set(VEMRA_TEST_DATA "Z:${CMAKE_SOURCE_DIR}/tests/data")
  set(VEMRA_SOURCE_ROOT "Z:${CMAKE_SOURCE_DIR}")
else()
  set(VEMRA_TEST_DATA "${CMAKE_SOURCE_DIR}/tests/data")
  set(VEMRA_SOURCE_ROOT "${CMAKE_SOURCE_DIR}")
endif()

# vemra_test(name SOURCES ... LIBS ...): one GoogleTest program, run by CTest (under Wine for
# the Windows build, through CMAKE_CROSSCOMPILING_EMULATOR).
function(vemra_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/test_support.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
  vemra_include_root(${name} PRIVATE tests)
  target_compile_definitions(${name} PRIVATE
    VEMRA_TEST_DATA="${VEMRA_TEST_DATA}" VEMRA_SOURCE_ROOT="${VEMRA_SOURCE_ROOT}")
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT "VEMRA_UNATTENDED=1")
endfunction()

# vemra_folder_library(name [PUBLIC_LIBS ...] [LIBS ...]): a library of every .cpp of the current
# folder, the platform-specific ones (foo_win.cpp / foo_posix.cpp) taken only for their build. It
# reaches the headers of its own folder and those of the libraries it links, and nothing else;
# its users reach those of PUBLIC_LIBS too (the ones its own headers include), not those of LIBS.
function(vemra_folder_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC_LIBS;LIBS" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(srcs)
  foreach(f ${all})
    if(f MATCHES "_(win|posix)\\.cpp$")
      if(f MATCHES "_${VEMRA_PLATFORM_SUFFIX}\\.cpp$")
        list(APPEND srcs ${f})
      endif()
    else()
      list(APPEND srcs ${f})
    endif()
  endforeach()
  file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_LIBS})
    vemra_include_root(${name} PUBLIC ${folder})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_LIBS} ${ARG_LIBS})
    vemra_include_root(${name} INTERFACE ${folder})
  endif()
endfunction()

# vemra_folder_test(name [LIBS ...]): one test program of every *_test.cpp of the current folder.
function(vemra_folder_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(srcs)
    vemra_test(${name} SOURCES ${srcs} LIBS ${ARG_LIBS})
  endif()
endfunction()

# vemra_all_libs(var): every library of ours that exists in this build, highest layer first
# (the order static linking needs).
function(vemra_all_libs var)
  set(libs)
  foreach(lib vemra_transfer vemra_excel vemra_formats vemra_settings vemra_palm vemra_platform)
    if(TARGET ${lib})
      list(APPEND libs ${lib})
    endif()
  endforeach()
  set(${var} ${libs} PARENT_SCOPE)
endfunction()

# vemra_test_runs_program(test): the test runs the built program; VEMRA_PROGRAM names it as the
# test sees it (through Z: under Wine). On Windows that is the English copy of the program.
function(vemra_test_runs_program test)
  add_dependencies(${test} vemra)
  if(VEMRA_WINDOWS)
    # The copy without the German library beside it, so that the program speaks English.
    target_compile_definitions(${test} PRIVATE VEMRA_PROGRAM="Z:${CMAKE_BINARY_DIR}/english/VEMRA.exe")
  else()
    target_compile_definitions(${test} PRIVATE VEMRA_PROGRAM="$<TARGET_FILE:vemra>")
  endif()
endfunction()
