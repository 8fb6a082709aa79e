# The Qt program.
if(PLIFORM_PHASE STREQUAL "targets" AND PLIFORM_BUILD_GUI)
endif()
