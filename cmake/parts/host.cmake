# Headless host, the replay tool, scenario tests and benchmarks.
if(PLIFORM_PHASE STREQUAL "sources")
    list(APPEND PLIFORM_CORE_SOURCES
        src/host/HeadlessHost.cpp
    )
endif()
