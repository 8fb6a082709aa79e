# Strokes, pen dispatch, rings and triangulation, surface creation.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/tools/Stroke.cpp
        src/tools/PenDispatch.cpp
        src/surface/Ring.cpp
        src/surface/Create.cpp
    )
endif()
