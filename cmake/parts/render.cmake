# The OpenGL renderer (the only GL code) and the offscreen render tests.
if(PLIFORM_PHASE STREQUAL "targets" AND PLIFORM_BUILD_RENDER)
endif()
