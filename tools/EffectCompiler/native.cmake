# The effect compiler without its assembler: lexer, parser, state tables, binary writer. Whoever
# links it supplies AssembleShader (FxWriter.h); only the Windows tool has D3DXAssembleShader.
set(effect_compiler_dir ${VEXA_ROOT}/tools/EffectCompiler)
add_library(vexa_effect_front STATIC
    ${effect_compiler_dir}/FxLexer.cpp
    ${effect_compiler_dir}/FxParser.cpp
    ${effect_compiler_dir}/FxStates.cpp
    ${effect_compiler_dir}/FxWriter.cpp
    ${effect_compiler_dir}/FxCompiler.cpp)
target_include_directories(vexa_effect_front PUBLIC ${VEXA_ROOT})
