# Window-free units of the progress bar: colour maths, the property store, the
# model and the picture layout.
set(PB_SRC ${SRC}/controls/progressbar)
native_test(NAME progressbar_model_test SOURCES
  ${PB_SRC}/colour_maths.cpp
  ${PB_SRC}/property_bag.cpp
  ${PB_SRC}/progress_bar_model.cpp
  ${PB_SRC}/theme_palette.cpp
  ${PB_SRC}/progress_bar_layout.cpp
  ${SRC}/download/download_design.cpp
  ${TESTS}/controls/colour_maths_test.cpp
  ${TESTS}/controls/progress_bar_model_test.cpp
  ${TESTS}/controls/progress_bar_layout_test.cpp)
