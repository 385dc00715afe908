native_test(NAME lyric_frame_pixels_test SOURCES
  ${SRC}/app/lyric_frame_pixels.cpp ${TESTS}/app/lyric_frame_pixels_test.cpp)
