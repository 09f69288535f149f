#include "FxParser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <set>

namespace EffectCompiler
{

uint32_t ValueBytes(const TypeDesc& t)
{
    uint32_t one = 0;
    if (t.Class == ClassStruct)
    {
        for (const Member& m : t.Members)
            one += ValueBytes(m.Type);
    }
    else if (t.Class == ClassObject)
    {
        one = IsSamplerType(t.Type) ? 0 : 4;
    }
    else
    {
        one = 4 * t.Rows * t.Columns;
    }
    return t.Elements ? one * t.Elements : one;
}

uint32_t FloatCount(const TypeDesc& t)
{
    uint32_t one = 0;
    if (t.Class == ClassStruct)
        for (const Member& m : t.Members)
            one += FloatCount(m.Type);
    else if (t.Class != ClassObject)
        one = t.Rows * t.Columns;
    return t.Elements ? one * t.Elements : one;
}

bool IsSamplerType(uint32_t type)
{
    return type >= TypeSampler && type <= TypeSamplerCube;
}
bool IsTextureType(uint32_t type)
{
    return type >= TypeTexture && type <= TypeTextureCube;
}

namespace
{

// Bounds that keep the compiler's memory, time and recursion proportional to its input. A shader
// sees at most 256 float4 registers (4 KiB); 64 KiB of values, in one type or in all the effect
// declares, leaves room for what only the application reads. The binary stores array sizes and
// register numbers in 16 bits.
const uint64_t MaxValueBytes = 1u << 16;
const long MaxArraySize = 65535;
const unsigned long MaxStateIndex = 65535;
const int MaxNesting = 16; // braces of an initial value, structs within structs

std::string Lower(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

class Parser
{
public:
    Parser(const std::vector<Token>& tokens, EffectSource& effect) : m_tokens(tokens), m_effect(effect) {}

    bool Run(int& errorLine, std::string& error)
    {
        const bool ok = ParseTopLevel();
        if (!ok)
        {
            errorLine = m_errorLine;
            error = m_error;
        }
        return ok;
    }

private:
    const std::vector<Token>& m_tokens;
    EffectSource& m_effect;
    size_t m_pos = 0;
    std::map<std::string, TypeDesc> m_structs;
    std::map<std::string, int> m_structDepth;
    std::set<std::string> m_parameterNames;
    uint64_t m_declaredBytes = 0; // every struct and parameter: each use copies the type
    int m_errorLine = 0;
    std::string m_error;

    const Token& Peek(size_t ahead = 0) const
    {
        const size_t i = m_pos + ahead;
        return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
    }
    const Token& Next()
    {
        const Token& t = Peek();
        if (m_pos < m_tokens.size() - 1)
            ++m_pos;
        return t;
    }

    bool Fail(int line, const std::string& message)
    {
        m_errorLine = line;
        m_error = message;
        return false;
    }
    // Counts a declared type against the effect's budget of values.
    bool Declare(const TypeDesc& t, int line)
    {
        m_declaredBytes += ValueBytes(t);
        if (m_declaredBytes > MaxValueBytes)
            return Fail(line, "the effect declares more than " + std::to_string(MaxValueBytes) + " bytes of values");
        return true;
    }

    static std::string Describe(const Token& t)
    {
        if (t.Kind == TokenKind::End)
            return "end of file";
        if (t.Kind == TokenKind::AsmBlock)
            return "asm block";
        return "'" + t.Text + "'";
    }
    bool FailExpected(const char* what)
    {
        return Fail(Peek().Line, std::string("syntax error: expected ") + what + " but found " + Describe(Peek()));
    }

    bool IsSymbol(const char* s, size_t ahead = 0) const
    {
        const Token& t = Peek(ahead);
        return t.Kind == TokenKind::Symbol && t.Text == s;
    }
    bool IsWord(const char* w, size_t ahead = 0) const
    {
        const Token& t = Peek(ahead);
        return t.Kind == TokenKind::Identifier && Lower(t.Text) == w;
    }
    bool Expect(const char* symbol)
    {
        if (!IsSymbol(symbol))
            return FailExpected((std::string("'") + symbol + "'").c_str());
        Next();
        return true;
    }
    bool ExpectIdentifier(std::string& out, const char* what)
    {
        if (Peek().Kind != TokenKind::Identifier)
            return FailExpected(what);
        out = Next().Text;
        return true;
    }

    // float, float3, float4x4, int, bool (and half as float): the numeric type names.
    static bool NumericTypeName(const std::string& word, TypeDesc& t)
    {
        const std::string w = Lower(word);
        std::string base;
        uint32_t type = 0;
        for (const char* b : {"float", "half", "int", "bool"})
            if (w.compare(0, std::string(b).size(), b) == 0)
            {
                base = b;
                break;
            }
        if (base.empty())
            return false;
        type = base == "int" ? TypeInt : base == "bool" ? TypeBool : TypeFloat;
        const std::string dims = w.substr(base.size());
        t = TypeDesc();
        t.Type = type;
        if (dims.empty())
        {
            t.Class = ClassScalar;
            return true;
        }
        if (dims.size() == 1 && dims[0] >= '1' && dims[0] <= '4')
        {
            t.Class = ClassVector;
            t.Columns = static_cast<uint32_t>(dims[0] - '0');
            return true;
        }
        if (dims.size() == 3 && dims[0] >= '1' && dims[0] <= '4' && dims[1] == 'x' && dims[2] >= '1' && dims[2] <= '4')
        {
            t.Class = ClassMatrixRows; // effect matrices are always stored row by row
            t.Rows = static_cast<uint32_t>(dims[0] - '0');
            t.Columns = static_cast<uint32_t>(dims[2] - '0');
            return true;
        }
        return false;
    }

    static bool ObjectTypeName(const std::string& word, TypeDesc& t)
    {
        static const std::map<std::string, uint32_t> names = {
            {"texture", TypeTexture},        {"texture1d", TypeTexture1D},     {"texture2d", TypeTexture2D},
            {"texture3d", TypeTexture3D},    {"texturecube", TypeTextureCube}, {"sampler", TypeSampler},
            {"sampler1d", TypeSampler1D},    {"sampler2d", TypeSampler2D},     {"sampler3d", TypeSampler3D},
            {"samplercube", TypeSamplerCube}};
        const auto it = names.find(Lower(word));
        if (it == names.end())
            return false;
        t = TypeDesc();
        t.Type = it->second;
        t.Class = ClassObject;
        return true;
    }

    // [row_major|column_major] type
    bool ParseType(TypeDesc& t, bool allowObjects)
    {
        bool rowMajor = false;
        if (IsWord("row_major") || IsWord("column_major"))
        {
            rowMajor = IsWord("row_major");
            Next();
        }
        const Token& tok = Peek();
        if (tok.Kind != TokenKind::Identifier)
            return FailExpected("a type");
        if (NumericTypeName(tok.Text, t))
        {
            Next();
            t.RowMajor = rowMajor;
            return true;
        }
        const auto it = m_structs.find(tok.Text);
        if (it != m_structs.end())
        {
            Next();
            t = it->second;
            return true;
        }
        if (allowObjects && ObjectTypeName(tok.Text, t))
        {
            Next();
            return true;
        }
        const std::string w = Lower(tok.Text);
        if (w == "string" || w == "vertexshader" || w == "pixelshader" || w == "matrix" || w == "vector" ||
            w == "double" || w == "dword")
            return Fail(tok.Line, "type '" + tok.Text + "' is not supported");
        return Fail(tok.Line, "unknown type '" + tok.Text + "'");
    }

    bool ParseArraySuffix(TypeDesc& t, const std::string& name)
    {
        if (!IsSymbol("["))
            return true;
        Next();
        const Token& n = Peek();
        if (n.Kind != TokenKind::Number || !n.IsInteger || std::strtol(n.Text.c_str(), nullptr, 0) <= 0)
            return FailExpected("a positive array size");
        const long size = std::strtol(n.Text.c_str(), nullptr, 0);
        if (size > MaxArraySize)
            return Fail(n.Line,
                        "array '" + name + "' has " + n.Text + " elements, at most " + std::to_string(MaxArraySize));
        if (static_cast<uint64_t>(ValueBytes(t)) * static_cast<uint64_t>(size) > MaxValueBytes)
            return Fail(n.Line, "array '" + name + "' is larger than " + std::to_string(MaxValueBytes) + " bytes");
        Next();
        t.Elements = static_cast<uint32_t>(size);
        return Expect("]");
    }

    bool ParseStruct()
    {
        const int line = Next().Line; // struct
        std::string name;
        if (!ExpectIdentifier(name, "a struct name"))
            return false;
        if (m_structs.count(name))
            return Fail(line, "struct '" + name + "' is defined twice");
        TypeDesc t;
        t.Type = TypeVoid;
        t.Class = ClassStruct;
        t.StructName = name;
        if (!Expect("{"))
            return false;
        int depth = 1;
        uint64_t bytes = 0;
        std::set<std::string> names;
        while (!IsSymbol("}"))
        {
            Member m;
            const int memberLine = Peek().Line;
            if (!ParseType(m.Type, false))
                return false;
            if (m.Type.Class == ClassStruct)
                depth = std::max(depth, m_structDepth[m.Type.StructName] + 1);
            if (depth > MaxNesting)
                return Fail(memberLine,
                            "struct '" + name + "' nests more than " + std::to_string(MaxNesting) + " structs");
            if (!ExpectIdentifier(m.Name, "a member name"))
                return false;
            if (!ParseArraySuffix(m.Type, m.Name))
                return false;
            if (!names.insert(m.Name).second)
                return Fail(memberLine, "member '" + m.Name + "' is declared twice");
            bytes += ValueBytes(m.Type);
            if (bytes > MaxValueBytes)
                return Fail(memberLine,
                            "struct '" + name + "' is larger than " + std::to_string(MaxValueBytes) + " bytes");
            if (!Expect(";"))
                return false;
            t.Members.push_back(m);
        }
        Next();
        if (t.Members.empty())
            return Fail(line, "struct '" + name + "' has no members");
        if (!Expect(";"))
            return false;
        if (!Declare(t, line))
            return false;
        m_structs[name] = t;
        m_structDepth[name] = depth;
        return true;
    }

    // Numbers, possibly in braces or constructor calls, flattened: {1, 2}, float4(0, 0, 0, 1), -3, true.
    bool ParseNumberList(std::vector<double>& out, bool& allIntegers, int depth = 0)
    {
        if (depth > MaxNesting)
            return Fail(Peek().Line, "values are nested more than " + std::to_string(MaxNesting) + " levels deep");
        if (IsSymbol("{"))
        {
            Next();
            while (!IsSymbol("}"))
            {
                if (!ParseNumberList(out, allIntegers, depth + 1))
                    return false;
                if (IsSymbol(","))
                    Next();
                else if (!IsSymbol("}"))
                    return FailExpected("',' or '}'");
            }
            Next();
            return true;
        }
        TypeDesc ctor;
        if (Peek().Kind == TokenKind::Identifier && NumericTypeName(Peek().Text, ctor) && IsSymbol("(", 1))
        {
            Next();
            Next();
            while (!IsSymbol(")"))
            {
                if (!ParseNumberList(out, allIntegers, depth + 1))
                    return false;
                if (IsSymbol(","))
                    Next();
                else if (!IsSymbol(")"))
                    return FailExpected("',' or ')'");
            }
            Next();
            return true;
        }
        if (IsWord("true") || IsWord("false"))
        {
            out.push_back(IsWord("true") ? 1.0 : 0.0);
            Next();
            return true;
        }
        bool negative = false;
        if (IsSymbol("-"))
        {
            negative = true;
            Next();
        }
        const Token& n = Peek();
        if (n.Kind != TokenKind::Number)
            return FailExpected("a number");
        Next();
        std::string text = n.Text;
        if (!text.empty() && (text.back() == 'f' || text.back() == 'F' || text.back() == 'h' || text.back() == 'H') &&
            text.compare(0, 2, "0x") != 0)
            text.pop_back();
        double v = n.IsInteger ? static_cast<double>(std::strtoul(text.c_str(), nullptr, 0))
                               : std::strtod(text.c_str(), nullptr);
        if (!n.IsInteger)
            allIntegers = false;
        out.push_back(negative ? -v : v);
        return true;
    }

    // <name>, name.member, name[2] are kept as the text D3DX resolves by name.
    bool ParseReferencePath(std::string& path)
    {
        if (!ExpectIdentifier(path, "a parameter name"))
            return false;
        while (IsSymbol(".") || IsSymbol("["))
        {
            if (IsSymbol("."))
            {
                Next();
                std::string part;
                if (!ExpectIdentifier(part, "a member name"))
                    return false;
                path += "." + part;
            }
            else
            {
                Next();
                if (Peek().Kind != TokenKind::Number || !Peek().IsInteger)
                    return FailExpected("an index");
                path += "[" + Next().Text + "]";
                if (!Expect("]"))
                    return false;
            }
        }
        return true;
    }

    bool ParseStateValue(StateValue& v)
    {
        const Token& t = Peek();
        v.Line = t.Line;
        if (t.Kind == TokenKind::AsmBlock)
        {
            v.Kind = ValueKind::Asm;
            v.Text = t.Text;
            Next();
            return true;
        }
        if (IsSymbol("<"))
        {
            Next();
            v.Kind = ValueKind::Reference;
            if (!ParseReferencePath(v.Text))
                return false;
            return Expect(">");
        }
        if (IsSymbol("(") && Peek(1).Kind == TokenKind::Identifier)
        {
            Next();
            v.Kind = ValueKind::Reference;
            if (!ParseReferencePath(v.Text))
                return false;
            return Expect(")");
        }
        if (t.Kind == TokenKind::Identifier)
        {
            TypeDesc ctor;
            if (Lower(t.Text) == "compile")
                return Fail(t.Line, "HLSL shaders ('compile') are not supported: write the shader as asm { ... }");
            if (!(NumericTypeName(t.Text, ctor) && IsSymbol("(", 1)) && !IsWord("true") && !IsWord("false"))
            {
                v.Kind = ValueKind::Identifier;
                v.Text = t.Text;
                Next();
                return true;
            }
        }
        v.Kind = ValueKind::Numbers;
        v.AllIntegers = true;
        return ParseNumberList(v.Numbers, v.AllIntegers);
    }

    bool ParseStateBlock(std::vector<StateAssignment>& states)
    {
        if (!Expect("{"))
            return false;
        while (!IsSymbol("}"))
        {
            StateAssignment s;
            s.Line = Peek().Line;
            if (!ExpectIdentifier(s.Name, "a state name"))
                return false;
            if (IsSymbol("["))
            {
                Next();
                const Token& n = Peek();
                if (n.Kind != TokenKind::Number || !n.IsInteger)
                    return FailExpected("a state index");
                if (std::strtoul(n.Text.c_str(), nullptr, 0) > MaxStateIndex)
                    return Fail(n.Line, "index of '" + s.Name + "' is " + n.Text + ", at most " +
                                            std::to_string(MaxStateIndex));
                s.HasIndex = true;
                s.Index = static_cast<uint32_t>(std::strtoul(Next().Text.c_str(), nullptr, 0));
                if (!Expect("]"))
                    return false;
            }
            if (!Expect("="))
                return false;
            if (!ParseStateValue(s.Value))
                return false;
            if (!Expect(";"))
                return false;
            states.push_back(s);
        }
        Next();
        return true;
    }

    bool ParseAnnotations(std::vector<Annotation>& out)
    {
        Next(); // <
        while (!IsSymbol(">"))
        {
            Annotation a;
            a.Line = Peek().Line;
            if (Peek().Kind != TokenKind::Identifier)
                return FailExpected("an annotation type");
            if (!NumericTypeName(Peek().Text, a.Type) || a.Type.Class == ClassMatrixRows)
                return Fail(a.Line, "annotation type '" + Peek().Text + "' is not supported");
            Next();
            if (!ExpectIdentifier(a.Name, "an annotation name"))
                return false;
            if (!Expect("="))
                return false;
            bool integers = true;
            if (!ParseNumberList(a.Numbers, integers))
                return false;
            if (a.Numbers.size() != FloatCount(a.Type))
                return Fail(a.Line,
                            "annotation '" + a.Name + "' needs " + std::to_string(FloatCount(a.Type)) + " values");
            if (!Expect(";"))
                return false;
            out.push_back(a);
        }
        Next();
        return true;
    }

    // Storage classes before a parameter's type: uniform and extern change nothing, shared marks it.
    bool ParseStorageClasses(Parameter& p)
    {
        for (;;)
        {
            if (IsWord("uniform") || IsWord("extern"))
            {
                Next();
                continue;
            }
            if (IsWord("shared"))
            {
                p.Shared = true;
                Next();
                continue;
            }
            if (IsWord("static") || IsWord("const"))
                return Fail(Peek().Line, "'" + Peek().Text + "' variables are not supported");
            return true;
        }
    }

    // Type, name and array size; the name must be new and the type fit the effect's budget.
    bool ParseParameterDeclarator(Parameter& p)
    {
        if (!ParseType(p.Type, true))
            return false;
        if (!ExpectIdentifier(p.Name, "a parameter name"))
            return false;
        if (!ParseArraySuffix(p.Type, p.Name) || !Declare(p.Type, p.Line))
            return false;
        if (!m_parameterNames.insert(p.Name).second)
            return Fail(p.Line, "parameter '" + p.Name + "' is declared twice");
        return true;
    }

    bool ParseSemantic(Parameter& p)
    {
        Next(); // :
        if (IsWord("register"))
            return Fail(Peek().Line, "register bindings are not supported: bind in a pass");
        return ExpectIdentifier(p.Semantic, "a semantic");
    }

    bool ParseSamplerInit(Parameter& p)
    {
        if (!IsWord("sampler_state"))
            return FailExpected("sampler_state");
        if (p.Type.Elements)
            return Fail(p.Line, "sampler arrays are not supported");
        Next();
        return ParseStateBlock(p.SamplerStates);
    }

    bool ParseNumericInit(Parameter& p)
    {
        bool integers = true;
        const int line = Peek().Line;
        if (!ParseNumberList(p.Init, integers))
            return false;
        if (p.Init.size() != FloatCount(p.Type))
            return Fail(line, "initial value of '" + p.Name + "' has " + std::to_string(p.Init.size()) +
                                  " values, its type needs " + std::to_string(FloatCount(p.Type)));
        return true;
    }

    // What follows '=': a sampler_state block for samplers, numbers for values; other objects take none.
    bool ParseInitialValue(Parameter& p)
    {
        Next(); // =
        p.HasInit = true;
        if (IsSamplerType(p.Type.Type))
            return ParseSamplerInit(p);
        if (p.Type.Class == ClassObject)
            return Fail(p.Line, "'" + p.Name + "' cannot have an initial value");
        return ParseNumericInit(p);
    }

    bool ParseParameter()
    {
        Parameter p;
        p.Line = Peek().Line;
        if (!ParseStorageClasses(p) || !ParseParameterDeclarator(p))
            return false;
        if (IsSymbol(":") && !ParseSemantic(p))
            return false;
        if (IsSymbol("<") && !ParseAnnotations(p.Annotations))
            return false;
        if (IsSymbol("=") && !ParseInitialValue(p))
            return false;
        if (!Expect(";"))
            return false;
        m_effect.Parameters.push_back(p);
        return true;
    }

    bool ParseTechnique()
    {
        Technique t;
        t.Line = Next().Line; // technique
        if (Peek().Kind == TokenKind::Identifier)
            t.Name = Next().Text;
        if (IsSymbol("<"))
            return Fail(Peek().Line, "annotations on techniques are not supported");
        for (const Technique& other : m_effect.Techniques)
            if (!t.Name.empty() && other.Name == t.Name)
                return Fail(t.Line, "technique '" + t.Name + "' is defined twice");
        if (!Expect("{"))
            return false;
        while (!IsSymbol("}"))
        {
            if (!IsWord("pass"))
                return FailExpected("'pass'");
            Pass p;
            p.Line = Next().Line;
            if (Peek().Kind == TokenKind::Identifier)
                p.Name = Next().Text;
            if (IsSymbol("<"))
                return Fail(Peek().Line, "annotations on passes are not supported");
            if (!ParseStateBlock(p.States))
                return false;
            if (IsSymbol(";"))
                Next();
            t.Passes.push_back(p);
        }
        Next();
        if (IsSymbol(";"))
            Next();
        m_effect.Techniques.push_back(t);
        return true;
    }

    bool ParseTopLevel()
    {
        while (Peek().Kind != TokenKind::End)
        {
            if (IsWord("struct") && Peek(1).Kind == TokenKind::Identifier && IsSymbol("{", 2))
            {
                if (!ParseStruct())
                    return false;
            }
            else if (IsWord("technique"))
            {
                if (!ParseTechnique())
                    return false;
            }
            else if (IsSymbol(";"))
            {
                Next();
            }
            else if (Peek().Kind == TokenKind::Identifier)
            {
                // A function definition is HLSL code this compiler cannot translate.
                if (IsSymbol("(", 2))
                    return Fail(Peek().Line, "HLSL functions are not supported: write shaders as asm { ... }");
                if (!ParseParameter())
                    return false;
            }
            else
            {
                return FailExpected("a declaration or technique");
            }
        }
        if (m_effect.Techniques.empty())
            return Fail(Peek().Line, "the effect has no technique");
        return true;
    }
};

} // namespace

bool ParseEffect(const std::vector<Token>& tokens, EffectSource& effect, int& errorLine, std::string& error)
{
    effect = EffectSource();
    Parser parser(tokens, effect);
    return parser.Run(errorLine, error);
}

} // namespace EffectCompiler
