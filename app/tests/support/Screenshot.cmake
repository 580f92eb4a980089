# Kept for the folders that include it: the screenshot helper now lives in the shared test
# support library (OrvelaTestScreenshot is its alias), defined before any layer folder.
if(NOT TARGET OrvelaTestScreenshot)
    message(FATAL_ERROR "app/tests/support must be added before the layer folders")
endif()
