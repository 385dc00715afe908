native_test(NAME window_geometry_test SOURCES
  ${SRC}/window/scrollbar_geometry.cpp
  ${SRC}/window/shade_color.cpp
  ${TESTS}/window/scrollbar_geometry_test.cpp
  ${TESTS}/window/shade_color_test.cpp)
