# Cut and extrusion.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/edit/Cut.cpp
        src/edit/Extrude.cpp
    )
endif()
