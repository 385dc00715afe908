# songbox_test(NAME <name> SOURCES <files...> LIBS <libs...> [TIMEOUT s] [GUI])
# One GoogleTest executable, run under Wine by CTest.
function(songbox_test)
  cmake_parse_arguments(T "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} songbox_testsupport gtest gmock)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# songbox_bench(NAME bench_<name> SOURCES ... LIBS ...): run by ./songbox bench,
# prints "name: value unit" lines.
function(songbox_bench)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} songbox_testsupport)
endfunction()

set(SONGBOX_WIN_LIBS comctl32 wininet msacm32 msimg32 gdi32 user32 winmm ole32 oleaut32 uuid shlwapi shell32 ws2_32 windowscodecs usp10)

# songbox_library(<target> <deps...>): every .cpp below the calling folder.
function(songbox_library target)
  file(GLOB_RECURSE SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER SOURCES EXCLUDE REGEX "/main\\.cpp$")
  if(SOURCES)
    add_library(${target} STATIC ${SOURCES})
    target_link_libraries(${target} PUBLIC ${ARGN} ${SONGBOX_WIN_LIBS})
  else()
    add_library(${target} INTERFACE)
    target_link_libraries(${target} INTERFACE ${ARGN} ${SONGBOX_WIN_LIBS})
  endif()
endfunction()
