# Target helpers: a library is made of every source under its directories, so
# that adding a file never needs a change here.

set(SOWVANE_ALL_LIBRARIES "" CACHE INTERNAL "")

# sowvane_library(NAME SHARED|STATIC DIRS d... [EXCLUDE f...] [LINKS l...])
# Creates the library only when its directories hold sources; links are
# resolved later by sowvane_resolve_links(), skipping libraries that do not
# exist (yet).
function(sowvane_library name kind)
  cmake_parse_arguments(ARG "" "" "DIRS;EXCLUDE;LINKS" ${ARGN})
  set(sources "")
  foreach(dir ${ARG_DIRS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  foreach(ex ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${ex})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_library(${name} ${kind} ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY SOWVANE_LIBS ${name})
  set_property(GLOBAL PROPERTY SOWVANE_LINKS_${name} ${ARG_LINKS})
endfunction()

function(sowvane_resolve_links)
  get_property(libs GLOBAL PROPERTY SOWVANE_LIBS)
  foreach(lib ${libs})
    get_property(links GLOBAL PROPERTY SOWVANE_LINKS_${lib})
    foreach(dep ${links})
      if(TARGET ${dep})
        target_link_libraries(${lib} PUBLIC ${dep})
      endif()
    endforeach()
  endforeach()
  set(SOWVANE_ALL_LIBRARIES ${libs} CACHE INTERNAL "")
endfunction()

# CTest runs a test executable in shards of about eight tests, each shard one
# process (GoogleTest's sharding variables pick its tests). A sanitised process
# takes about a second of CPU to start; one per test was most of the run. The
# shard count comes from the test macros in the sources when CMake configures:
# a stale count changes only how the tests are spread, every test still runs.
function(sowvane_add_test_shards exe sources)
  set(count 0)
  foreach(src ${sources})
    file(STRINGS ${src} macros REGEX "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST)\\(")
    list(LENGTH macros n)
    math(EXPR count "${count} + ${n}")
  endforeach()
  math(EXPR shards "(${count} + 7) / 8")
  if(shards LESS 1)
    set(shards 1)
  endif()
  math(EXPR last "${shards} - 1")
  foreach(i RANGE ${last})
    add_test(NAME ${exe}/${i} COMMAND ${exe})
    set_tests_properties(${exe}/${i} PROPERTIES ENVIRONMENT
      "SOWVANE_BINARY_DIR=${CMAKE_BINARY_DIR};GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${i}")
  endforeach()
endfunction()

# One GoogleTest executable per directory under tests/: every *.cpp in that
# directory goes into it. Shared test helpers live in tests/support/.
function(sowvane_tests)
  find_package(GTest REQUIRED)
  get_property(libs GLOBAL PROPERTY SOWVANE_LIBS)

  file(GLOB_RECURSE support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
  if(support)
    add_library(sowvane_test_support STATIC ${support})
    target_link_libraries(sowvane_test_support PUBLIC ${libs} GTest::gtest GTest::gmock)
    target_include_directories(sowvane_test_support PUBLIC ${CMAKE_SOURCE_DIR})
    target_compile_definitions(sowvane_test_support PRIVATE SOWVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()

  file(GLOB_RECURSE tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)
  set(dirs "")
  foreach(t ${tests})
    get_filename_component(d ${t} DIRECTORY)
    list(APPEND dirs ${d})
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  foreach(d ${dirs})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${d})
    if(rel MATCHES "^support")
      continue()
    endif()
    string(REPLACE "/" "_" exe "test_${rel}")
    file(GLOB sources CONFIGURE_DEPENDS ${d}/*.cpp)
    add_executable(${exe} ${sources})
    target_link_libraries(${exe} PRIVATE ${libs} GTest::gtest GTest::gmock GTest::gtest_main)
    if(TARGET sowvane_test_support)
      target_link_libraries(${exe} PRIVATE sowvane_test_support)
    endif()
    target_include_directories(${exe} PRIVATE ${CMAKE_SOURCE_DIR} ${d})
    target_compile_definitions(${exe} PRIVATE
      SOWVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}" SOWVANE_BINARY_DIR="${CMAKE_BINARY_DIR}")
    sowvane_add_test_shards(${exe} "${sources}")
  endforeach()
endfunction()

# All benchmarks go into one executable, sowvane_bench; CI builds it but does
# not run it.
function(sowvane_benchmarks)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
  if(NOT sources)
    return()
  endif()
  find_package(benchmark REQUIRED)
  get_property(libs GLOBAL PROPERTY SOWVANE_LIBS)
  add_executable(sowvane_bench ${sources})
  target_link_libraries(sowvane_bench PRIVATE ${libs} benchmark::benchmark benchmark::benchmark_main)
  # Peers written for the tests (the test task controller, the terminal side
  # on a bus) serve the benchmarks too; they exist when the tests are built.
  if(TARGET sowvane_test_support)
    target_link_libraries(sowvane_bench PRIVATE sowvane_test_support)
    target_compile_definitions(sowvane_bench PRIVATE SOWVANE_BENCH_HAS_TEST_SUPPORT=1)
  endif()
  target_include_directories(sowvane_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(sowvane_bench PRIVATE SOWVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
endfunction()
