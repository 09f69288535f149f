// Parser of the FX subset: declarations, sampler_state blocks, techniques and passes.
#pragma once

#include "FxAst.h"
#include "FxLexer.h"

namespace EffectCompiler
{

// Parses tokens into an effect description. On failure returns false with the line and message.
bool ParseEffect(const std::vector<Token>& tokens, EffectSource& effect, int& errorLine, std::string& error);

} // namespace EffectCompiler
