# Picking and stroke embedding.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/tools/Pick.cpp
        src/surface/Embed.cpp
    )
endif()
