// The one part of the effect compiler that needs D3DX: shader text -> shader tokens.
#include "FxWriter.h"

#include <windows.h>
#include <d3dx9.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace EffectCompiler
{

bool AssembleShader(const std::string& text, std::vector<uint32_t>& tokens, int& errorLine, std::string& error)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* messages = nullptr;
    const HRESULT hr =
        D3DXAssembleShader(text.c_str(), static_cast<UINT>(text.size()), nullptr, nullptr, 0, &code, &messages);
    errorLine = 0;
    if (FAILED(hr) || !code || code->GetBufferSize() < 8)
    {
        error.clear();
        if (messages)
        {
            error.assign(static_cast<const char*>(messages->GetBufferPointer()), messages->GetBufferSize());
            while (!error.empty() && (error.back() == '\0' || error.back() == '\n' || error.back() == '\r'))
                error.pop_back();
            // Keep the first message; D3DX's assembler starts it with "Line N: ".
            const size_t newline = error.find('\n');
            if (newline != std::string::npos)
                error.resize(newline);
            if (error.compare(0, 5, "Line ") == 0)
            {
                errorLine = std::atoi(error.c_str() + 5);
                const size_t colon = error.find(": ");
                if (colon != std::string::npos)
                    error.erase(0, colon + 2);
            }
        }
        if (error.empty())
        {
            char text[32];
            std::snprintf(text, sizeof(text), "D3DXAssembleShader returned 0x%08lX", static_cast<unsigned long>(hr));
            error = text;
        }
        if (code)
            code->Release();
        if (messages)
            messages->Release();
        return false;
    }
    tokens.resize(code->GetBufferSize() / 4);
    std::memcpy(tokens.data(), code->GetBufferPointer(), tokens.size() * 4);
    code->Release();
    if (messages)
        messages->Release();
    return true;
}

} // namespace EffectCompiler
