# The Qt glyph renderer of the name bitmap. Include from tests/ui/CMakeLists.txt:
#   include(${CMAKE_CURRENT_SOURCE_DIR}/glyph.cmake)
krm_add_test(ui_glyph_tests LABEL ui
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/glyph_test.cpp
    LIBS krm_glyph)
