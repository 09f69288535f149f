# The .sdkmesh format layer, pure computation: tested natively, and fuzzed through the whole-image
# check that the loader runs (corpus: valid files of the project's own writer).
vexa_native_test(sdkmesh_format_tests
    SOURCES ${VEXA_ROOT}/tests/sdkmesh/FormatTest.cpp ${VEXA_ROOT}/tests/sdkmesh/SdkMeshWriter.cpp
    LIBRARIES vexa_sdkmesh_format)

# The format layer is compiled into the target, so that its code carries the fuzzer's coverage.
vexa_fuzz_target(sdkmesh_fuzz
    CORPUS ${VEXA_ROOT}/tests/sdkmesh/corpus
    SOURCES ${VEXA_ROOT}/tests/sdkmesh/SdkMeshFuzz.cpp ${VEXA_ROOT}/Vexa2/Resources/SdkMeshFormat.cpp)

# Rewrites the seed corpus: sdkmesh_make_corpus tests/sdkmesh/corpus
add_executable(sdkmesh_make_corpus ${VEXA_ROOT}/tests/sdkmesh/MakeCorpus.cpp ${VEXA_ROOT}/tests/sdkmesh/SdkMeshWriter.cpp)
