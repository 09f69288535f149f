# The .sdkmesh format layer, pure computation: tested natively, and fuzzed through the whole-image
# check that the loader runs (corpus: valid files of the project's own writer).
vexa_native_test(sdkmesh_format_tests
    SOURCES ${VEXA_ROOT}/tests/sdkmesh/FormatTest.cpp
    LIBRARIES vexa_sdkmesh_format vexa_testkit)

vexa_fuzz_target(sdkmesh_fuzz
    CORPUS ${VEXA_ROOT}/tests/sdkmesh/corpus
    SOURCES ${VEXA_ROOT}/tests/sdkmesh/SdkMeshFuzz.cpp
    LIBRARIES vexa_sdkmesh_format)

# Rewrites the seed corpus: sdkmesh_make_corpus tests/sdkmesh/corpus
add_executable(sdkmesh_make_corpus ${VEXA_ROOT}/tests/sdkmesh/MakeCorpus.cpp)
target_link_libraries(sdkmesh_make_corpus PRIVATE vexa_testkit)
