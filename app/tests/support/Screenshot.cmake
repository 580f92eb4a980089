# The screenshot helper every screen test folder links; defined once, by whichever folder
# includes this first.
if(NOT TARGET OrvelaTestScreenshot)
    add_library(OrvelaTestScreenshot STATIC ${CMAKE_CURRENT_LIST_DIR}/Screenshot.cpp)
    target_include_directories(OrvelaTestScreenshot PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_compile_definitions(OrvelaTestScreenshot
        PRIVATE ORVELA_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
    target_link_libraries(OrvelaTestScreenshot PUBLIC Qt6::Widgets)
    orvela_target_defaults(OrvelaTestScreenshot)
endif()
