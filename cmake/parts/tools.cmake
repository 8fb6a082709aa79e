# Eraser, Drag and Change tools.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/tools/Eraser.cpp
        src/tools/Drag.cpp
        src/tools/Change.cpp
    )
endif()
