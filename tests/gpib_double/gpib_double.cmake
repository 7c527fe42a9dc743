# The GPIB driver doubles of the tests and the fuzz programs: one source, built as shared
# libraries that publish their status as the Linux GPIB package does (thread functions or
# variables), as the vendor library does, not at all, or that lack ibtmo or ibrd.
if(NOT TARGET varnex_gpib_double)
    set(varnex_gpib_double_variants
        varnex_gpib_double "GPIB_DOUBLE_STATUS=1"
        varnex_gpib_double_variables "GPIB_DOUBLE_STATUS=2"
        varnex_gpib_double_vendor "GPIB_DOUBLE_STATUS=3"
        varnex_gpib_double_no_status "GPIB_DOUBLE_STATUS=0"
        varnex_gpib_double_no_ibtmo "GPIB_DOUBLE_STATUS=1,GPIB_DOUBLE_WITHOUT_IBTMO"
        varnex_gpib_double_no_ibrd "GPIB_DOUBLE_STATUS=1,GPIB_DOUBLE_WITHOUT_IBRD")
    while(varnex_gpib_double_variants)
        list(POP_FRONT varnex_gpib_double_variants name definitions)
        add_library(${name} SHARED ${CMAKE_CURRENT_LIST_DIR}/gpib_double.cpp)
        varnex_enable_warnings(${name})
        target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
        string(REPLACE "," ";" definitions "${definitions}")
        target_compile_definitions(${name} PRIVATE ${definitions})
    endwhile()
endif()
