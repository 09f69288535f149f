# The same library for the native tests, fuzz tools and benchmarks (testkit/CMakeLists.txt).
add_library(vexa_testkit STATIC ${VEXA_ROOT}/testkit/MeshMaker.cpp ${VEXA_ROOT}/testkit/CacheAnalysis.cpp
            ${VEXA_ROOT}/testkit/SdkMeshWriter.cpp ${VEXA_ROOT}/testkit/RefusedNew.cpp)
if(CMAKE_CXX_COMPILER_ID STREQUAL GNU)
    set_source_files_properties(${VEXA_ROOT}/testkit/RefusedNew.cpp PROPERTIES COMPILE_OPTIONS -Wno-mismatched-new-delete)
endif()
target_include_directories(vexa_testkit PUBLIC ${VEXA_ROOT})
