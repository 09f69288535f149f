#include "FxWriter.h"

#include "FxStates.h"

#include <cmath>
#include <cstring>
#include <map>

namespace EffectCompiler
{

namespace
{

const uint32_t EffectTag = 0xFEFF0901;
const uint32_t NoIndex = 0xFFFFFFFF;
const uint32_t SamplerBlockIndex = 256; // what fxc writes as the index of states inside sampler_state
const uint32_t UsageBlob = 0;
const uint32_t UsageReference = 1;

uint32_t FloatBits(double v)
{
    const float f = static_cast<float>(v);
    uint32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    return bits;
}

// The DWORD of an integer value: -2^31 .. 2^32-1, negatives as two's complement; false beyond.
bool IntegerBits(double v, uint32_t& bits)
{
    if (!(v >= -2147483648.0 && v < 4294967296.0))
        return false;
    bits = v < 0 ? static_cast<uint32_t>(static_cast<int32_t>(v)) : static_cast<uint32_t>(v);
    return true;
}

// Appends the DWORDs of one value of the type, taking numbers from the flattened initialiser.
// False when an integer does not fit in 32 bits.
bool AppendValue(const TypeDesc& t, const double*& numbers, std::vector<uint32_t>& out)
{
    const uint32_t elements = t.Elements ? t.Elements : 1;
    for (uint32_t e = 0; e < elements; ++e)
    {
        if (t.Class == ClassStruct)
        {
            for (const Member& m : t.Members)
                if (!AppendValue(m.Type, numbers, out))
                    return false;
            continue;
        }
        for (uint32_t i = 0; i < t.Rows * t.Columns; ++i)
        {
            const double v = numbers ? *numbers++ : 0.0;
            uint32_t bits = 0;
            if (t.Type == TypeFloat)
                bits = FloatBits(v);
            else if (!IntegerBits(v, bits))
                return false;
            out.push_back(bits);
        }
    }
    return true;
}

bool FloatOnly(const TypeDesc& t)
{
    if (t.Class == ClassStruct)
    {
        for (const Member& m : t.Members)
            if (!FloatOnly(m.Type))
                return false;
        return true;
    }
    return t.Class != ClassObject && t.Type == TypeFloat;
}

class ByteBuffer
{
public:
    std::vector<uint8_t> Bytes;
    uint32_t Size() const { return static_cast<uint32_t>(Bytes.size()); }
    void U16(uint32_t v)
    {
        Bytes.push_back(static_cast<uint8_t>(v));
        Bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Patch32(uint32_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            Bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void String(const std::string& s)
    {
        Bytes.insert(Bytes.end(), s.begin(), s.end());
        Bytes.push_back(0);
    }
    void Align(uint8_t fill)
    {
        while (Bytes.size() % 4)
            Bytes.push_back(fill);
    }
};

uint32_t WriteTypeInfo(ByteBuffer& b, const TypeDesc& t)
{
    b.Align(0xAB);
    const uint32_t at = b.Size();
    uint32_t cls = ClassScalar;
    uint32_t rows = 1;
    uint32_t cols = 1;
    switch (t.Class)
    {
    case ClassScalar:
        break;
    case ClassVector:
        cls = ClassVector;
        cols = t.Columns;
        break;
    case ClassStruct:
    {
        TypeDesc one = t;
        one.Elements = 0;
        cls = ClassStruct;
        cols = FloatCount(one);
        break;
    }
    default:
        cls = t.RowMajor ? ClassMatrixRows : ClassMatrixColumns;
        rows = t.Rows;
        cols = t.Columns;
        break;
    }
    b.U16(cls);
    b.U16(t.Class == ClassStruct ? TypeVoid : TypeFloat);
    b.U16(rows);
    b.U16(cols);
    b.U16(t.Elements ? t.Elements : 1);
    b.U16(t.Class == ClassStruct ? static_cast<uint32_t>(t.Members.size()) : 0);
    b.U32(0);
    if (t.Class == ClassStruct)
    {
        const uint32_t infos = b.Size();
        b.Patch32(at + 12, infos);
        for (size_t i = 0; i < t.Members.size(); ++i)
        {
            b.U32(0);
            b.U32(0);
        }
        for (size_t i = 0; i < t.Members.size(); ++i)
        {
            const uint32_t name = b.Size();
            b.String(t.Members[i].Name);
            const uint32_t type = WriteTypeInfo(b, t.Members[i].Type);
            b.Patch32(infos + 8 * static_cast<uint32_t>(i), name);
            b.Patch32(infos + 8 * static_cast<uint32_t>(i) + 4, type);
        }
    }
    return at;
}

struct ObjectEntry
{
    uint32_t Id;
    std::vector<uint8_t> Data;
};

struct ResourceEntry
{
    uint32_t Technique, Index, Element, State, Usage;
    std::vector<uint8_t> Data;
};

struct StateRecord
{
    uint32_t Op, Index, TypeOffset, ValueOffset;
};

// A pass state after resolution, before it is written.
struct PendingState
{
    const StateAssignment* Source;
    const StateInfo* Info;
    uint32_t Index;
    const Parameter* Reference;
    std::vector<uint32_t> Shader; // assembled code (shader states)
};

// What a pass's states say about its shaders: the asm states and the constants bound to each.
struct PassShaders
{
    std::vector<ConstantBinding> VsBindings;
    std::vector<ConstantBinding> PsBindings;
    const StateAssignment* Vs = nullptr;
    const StateAssignment* Ps = nullptr;
};

// Where a pass state's resources are filed.
struct StateSlot
{
    uint32_t TechniqueIndex, PassIndex, StateIndex;
};

class Writer
{
public:
    explicit Writer(const EffectSource& fx) : m_fx(fx)
    {
        m_data.push_back(0);
        for (size_t i = 0; i < fx.Parameters.size(); ++i)
            m_parameters.emplace(fx.Parameters[i].Name, i);
    }

    bool Run(std::vector<uint8_t>& out, int& errorLine, std::string& error)
    {
        if (!WriteAll())
        {
            errorLine = m_errorLine;
            error = m_error;
            return false;
        }
        out.clear();
        auto put = [&out](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        put(EffectTag);
        put(static_cast<uint32_t>(m_data.size() * 4));
        for (uint32_t v : m_data)
            put(v);
        for (uint32_t v : m_header)
            put(v);
        return true;
    }

private:
    const EffectSource& m_fx;
    std::vector<uint32_t> m_data;   // everything reached by offset; offsets are from its start
    std::vector<uint32_t> m_header; // walked sequentially by the loader
    std::vector<ObjectEntry> m_objects;
    std::vector<ResourceEntry> m_resources;
    uint32_t m_nextId = 1; // id 0 is D3DX's scratch object
    uint32_t m_shaderCount = 0;
    std::map<std::string, size_t> m_parameters; // by name: references are resolved per state
    int m_errorLine = 0;
    std::string m_error;

    bool Fail(int line, const std::string& message)
    {
        m_errorLine = line;
        m_error = message;
        return false;
    }

    uint32_t Offset() const { return static_cast<uint32_t>(m_data.size() * 4); }

    uint32_t PutString(const std::string& s)
    {
        if (s.empty())
            return 0;
        const uint32_t at = Offset();
        m_data.push_back(static_cast<uint32_t>(s.size() + 1));
        PutRaw(reinterpret_cast<const uint8_t*>(s.c_str()), s.size() + 1);
        return at;
    }

    void PutRaw(const uint8_t* bytes, size_t size)
    {
        for (size_t i = 0; i < size; i += 4)
        {
            uint32_t v = 0;
            for (size_t k = 0; k < 4 && i + k < size; ++k)
                v |= static_cast<uint32_t>(bytes[i + k]) << (8 * k);
            m_data.push_back(v);
        }
    }

    void PutRecord(const TypeDesc& t, const std::string& name, const std::string& semantic,
                   std::vector<std::pair<size_t, std::string>>& names)
    {
        m_data.push_back(t.Type);
        m_data.push_back(t.Class);
        names.emplace_back(m_data.size(), name);
        m_data.push_back(0);
        names.emplace_back(m_data.size(), semantic);
        m_data.push_back(0);
        m_data.push_back(t.Elements);
        switch (t.Class)
        {
        case ClassVector:
            m_data.push_back(t.Columns);
            m_data.push_back(t.Rows);
            break;
        case ClassStruct:
            m_data.push_back(static_cast<uint32_t>(t.Members.size()));
            // Member records must follow the struct record directly.
            for (const Member& m : t.Members)
                PutRecord(m.Type, m.Name, "", names);
            break;
        case ClassObject:
            break;
        default:
            m_data.push_back(t.Rows);
            m_data.push_back(t.Columns);
            break;
        }
    }

    uint32_t PutTypedef(const TypeDesc& t, const std::string& name, const std::string& semantic)
    {
        const uint32_t at = Offset();
        std::vector<std::pair<size_t, std::string>> names;
        PutRecord(t, name, semantic, names);
        for (const auto& n : names)
            if (!n.second.empty())
                m_data[n.first] = PutString(n.second);
        return at;
    }

    // Typedef of a literal state value, typed as fxc types them (class MATRIX_ROWS, 1x1).
    uint32_t PutLiteralTypedef(uint32_t type)
    {
        TypeDesc t;
        t.Type = type;
        t.Class = ClassMatrixRows;
        return PutTypedef(t, "", "");
    }

    uint32_t PutObjectTypedef(uint32_t type)
    {
        TypeDesc t;
        t.Type = type;
        t.Class = ClassObject;
        return PutTypedef(t, "", "");
    }

    uint32_t PutDword(uint32_t v)
    {
        const uint32_t at = Offset();
        m_data.push_back(v);
        return at;
    }

    static std::vector<uint8_t> NameBytes(const std::string& name)
    {
        std::vector<uint8_t> b(name.begin(), name.end());
        b.push_back(0);
        return b;
    }

    const Parameter* FindParameter(const std::string& name) const
    {
        const auto it = m_parameters.find(name);
        return it == m_parameters.end() ? nullptr : &m_fx.Parameters[it->second];
    }

    // Parameter named by a state value; whole parameters only.
    bool ResolveReference(const StateAssignment& s, const Parameter*& p)
    {
        if (s.Value.Kind != ValueKind::Reference)
            return Fail(s.Line, "'" + s.Name + "' expects a parameter reference such as <name>");
        p = FindParameter(s.Value.Text);
        if (!p)
        {
            if (s.Value.Text.find_first_of(".[") != std::string::npos)
                return Fail(s.Line, "'" + s.Name + "' must name a whole parameter, not '" + s.Value.Text + "'");
            return Fail(s.Line, "unknown parameter '" + s.Value.Text + "'");
        }
        return true;
    }

    // Writes typedef and value of an Int/Float literal state; returns the record.
    bool PutLiteralState(const StateAssignment& s, const StateInfo& info, uint32_t index, StateRecord& r)
    {
        uint32_t value = 0;
        if (info.Type == StateType::Int)
        {
            if (s.Value.Kind == ValueKind::Identifier)
            {
                if (!FindEnumValue(info, s.Value.Text, value))
                    return Fail(s.Line, "'" + s.Value.Text + "' is not a value of " + info.Name);
            }
            else if (s.Value.Kind == ValueKind::Numbers && s.Value.Numbers.size() == 1 && s.Value.AllIntegers)
            {
                if (!IntegerBits(s.Value.Numbers[0], value))
                    return Fail(s.Line, std::string(info.Name) + " value does not fit in 32 bits");
            }
            else
            {
                return Fail(s.Line, std::string(info.Name) + " expects an integer or a value name");
            }
            r = StateRecord{info.Op, index, PutLiteralTypedef(TypeInt), 0};
        }
        else
        {
            if (s.Value.Kind != ValueKind::Numbers || s.Value.Numbers.size() != 1)
                return Fail(s.Line, std::string(info.Name) + " expects one number");
            value = FloatBits(s.Value.Numbers[0]);
            r = StateRecord{info.Op, index, PutLiteralTypedef(TypeFloat), 0};
        }
        r.ValueOffset = PutDword(value);
        return true;
    }

    bool WriteSampler(const Parameter& p, size_t paramIndex, uint32_t& valueOffset)
    {
        std::vector<StateRecord> records;
        for (const StateAssignment& s : p.SamplerStates)
        {
            const StateInfo* info = FindState(s.Name);
            if (!info)
                return Fail(s.Line, "unknown state '" + s.Name + "'");
            if (!info->SamplerState)
                return Fail(s.Line, "'" + s.Name + "' cannot be used inside sampler_state");
            if (s.HasIndex)
                return Fail(s.Line, "'" + s.Name + "' takes no index inside sampler_state");
            StateRecord r{};
            if (info->Type == StateType::Texture)
            {
                const Parameter* t = nullptr;
                if (!ResolveReference(s, t))
                    return false;
                if (t->Type.Class != ClassObject || !IsTextureType(t->Type.Type))
                    return Fail(s.Line, "'" + t->Name + "' is not a texture");
                r = StateRecord{info->Op, SamplerBlockIndex, PutObjectTypedef(TypeTexture), PutDword(m_nextId++)};
                m_resources.push_back(ResourceEntry{NoIndex, static_cast<uint32_t>(paramIndex), NoIndex,
                                                    static_cast<uint32_t>(records.size()), UsageReference,
                                                    NameBytes(t->Name)});
            }
            else if (!PutLiteralState(s, *info, SamplerBlockIndex, r))
            {
                return false;
            }
            records.push_back(r);
        }
        valueOffset = Offset();
        m_data.push_back(static_cast<uint32_t>(records.size()));
        for (const StateRecord& r : records)
        {
            m_data.push_back(r.Op);
            m_data.push_back(r.Index);
            m_data.push_back(r.TypeOffset);
            m_data.push_back(r.ValueOffset);
        }
        return true;
    }

    bool WriteParameters(std::vector<uint32_t>& records)
    {
        for (size_t i = 0; i < m_fx.Parameters.size(); ++i)
        {
            const Parameter& p = m_fx.Parameters[i];
            const uint32_t bytes = ValueBytes(p.Type);
            for (const Annotation& a : p.Annotations)
                if (a.Name == "Bytes" && (a.Type.Type == TypeInt || a.Type.Type == TypeFloat) &&
                    a.Numbers.size() == 1 && static_cast<double>(bytes) != a.Numbers[0])
                    return Fail(a.Line, "'" + p.Name + "' is " + std::to_string(bytes) +
                                            " bytes, its Bytes annotation says " +
                                            (std::fabs(a.Numbers[0]) < 1e15
                                                 ? std::to_string(static_cast<long long>(a.Numbers[0]))
                                                 : std::to_string(a.Numbers[0])));
            const uint32_t typeOffset = PutTypedef(p.Type, p.Name, p.Semantic);
            uint32_t valueOffset = 0;
            const uint32_t elements = p.Type.Elements ? p.Type.Elements : 1;
            if (IsSamplerType(p.Type.Type))
            {
                if (!WriteSampler(p, i, valueOffset))
                    return false;
                m_shaderCount += elements;
            }
            else if (p.Type.Class == ClassObject)
            {
                valueOffset = Offset();
                for (uint32_t e = 0; e < elements; ++e)
                {
                    m_objects.push_back(ObjectEntry{m_nextId, {}});
                    m_data.push_back(m_nextId++);
                }
            }
            else
            {
                valueOffset = Offset();
                const double* numbers = p.HasInit ? p.Init.data() : nullptr;
                if (!AppendValue(p.Type, numbers, m_data))
                    return Fail(p.Line, "initial value of '" + p.Name + "' does not fit in 32 bits");
            }
            records.push_back(typeOffset);
            records.push_back(valueOffset);
            records.push_back(p.Shared ? 1u : 0u);
            records.push_back(static_cast<uint32_t>(p.Annotations.size()));
            for (const Annotation& a : p.Annotations)
            {
                const uint32_t at = PutTypedef(a.Type, a.Name, "");
                const uint32_t value = Offset();
                const double* numbers = a.Numbers.data();
                if (!AppendValue(a.Type, numbers, m_data))
                    return Fail(a.Line, "annotation '" + a.Name + "' does not fit in 32 bits");
                records.push_back(at);
                records.push_back(value);
            }
        }
        return true;
    }

    // Assembles a pass's shader and gives it the constant table of the pass's bindings.
    bool BuildShader(const StateAssignment& s, bool vertex, const std::vector<ConstantBinding>& bindings,
                     std::vector<uint32_t>& code)
    {
        int asmLine = 0;
        std::string message;
        std::vector<uint32_t> tokens;
        if (!AssembleShader(s.Value.Text, tokens, asmLine, message))
            return Fail(asmLine > 0 ? s.Value.Line + asmLine - 1 : s.Value.Line, "shader assembly failed: " + message);
        const uint32_t kind = tokens[0] >> 16;
        if ((vertex && kind != 0xFFFE) || (!vertex && kind != 0xFFFF))
            return Fail(s.Line, std::string(s.Name) + " needs a " + (vertex ? "vs_" : "ps_") + " shader");
        for (size_t i = 0; i < bindings.size(); ++i)
        {
            const uint32_t first = bindings[i].Register;
            const uint32_t last = first + RegisterCount(bindings[i].Type);
            for (size_t k = 0; k < i; ++k)
            {
                const uint32_t otherFirst = bindings[k].Register;
                const uint32_t otherLast = otherFirst + RegisterCount(bindings[k].Type);
                if (first < otherLast && otherFirst < last)
                    return Fail(bindings[i].Line,
                                "'" + bindings[i].Name + "' overlaps the registers of '" + bindings[k].Name + "'");
            }
        }
        code.clear();
        code.push_back(tokens[0]);
        if (!bindings.empty())
        {
            const std::vector<uint32_t> table = BuildConstantTable(tokens[0], bindings);
            code.insert(code.end(), table.begin(), table.end());
        }
        code.insert(code.end(), tokens.begin() + 1, tokens.end());
        return true;
    }

    // Turns a VsConstant/PsConstant state into a constant-table entry of the pass's shader.
    bool BindConstant(const StateAssignment& s, const StateInfo& info, PassShaders& shaders)
    {
        const Parameter* p = nullptr;
        if (!s.HasIndex)
            return Fail(s.Line, "'" + s.Name + "' needs a register index, e.g. " + s.Name + "[0]");
        if (!ResolveReference(s, p))
            return false;
        if (!FloatOnly(p->Type))
            return Fail(s.Line, "'" + p->Name + "' cannot be bound to float registers");
        const uint32_t needed = RegisterCount(p->Type);
        if (info.MaxRegisters && needed > info.MaxRegisters)
            return Fail(s.Line, "'" + p->Name + "' needs " + std::to_string(needed) + " registers, " + s.Name +
                                    " sets " + std::to_string(info.MaxRegisters));
        // The constant table names registers in 16 bits.
        if (s.Index + static_cast<uint64_t>(needed) > 65536)
            return Fail(s.Line, "'" + p->Name + "' needs " + std::to_string(needed) + " registers from " +
                                    std::to_string(s.Index) + ", past the last register 65535");
        ConstantBinding b;
        b.Name = p->Name;
        b.Type = p->Type;
        b.Register = s.Index;
        b.Line = s.Line;
        (info.Type == StateType::VsConstant ? shaders.VsBindings : shaders.PsBindings).push_back(b);
        return true;
    }

    // A pass takes at most one vertex and one pixel shader, each written as asm.
    bool NoteShader(const StateAssignment& s, const StateInfo& info, PassShaders& shaders)
    {
        const bool vertex = info.Type == StateType::VertexShader;
        if (s.Value.Kind != ValueKind::Asm)
            return Fail(s.Line, s.Name + " must be an asm { ... } block");
        const StateAssignment*& shader = vertex ? shaders.Vs : shaders.Ps;
        if (shader != nullptr)
            return Fail(s.Line, s.Name + " is set twice in this pass");
        shader = &s;
        return true;
    }

    // A Texture or Sampler state names a whole, single parameter of that kind.
    bool ResolveObjectReference(const StateAssignment& s, const StateInfo& info, const Parameter*& p)
    {
        if (!ResolveReference(s, p))
            return false;
        const bool wantSampler = info.Type == StateType::Sampler;
        if (p->Type.Class != ClassObject || p->Type.Elements ||
            (wantSampler ? !IsSamplerType(p->Type.Type) : !IsTextureType(p->Type.Type)))
            return Fail(s.Line, "'" + p->Name + "' is not a " + (wantSampler ? "sampler" : "texture"));
        return true;
    }

    // Checks one state of a pass and queues it for writing; shader constants become bindings instead.
    bool ResolvePassState(const StateAssignment& s, std::vector<PendingState>& pending, PassShaders& shaders)
    {
        const StateInfo* info = FindState(s.Name);
        if (!info)
            return Fail(s.Line, "unknown state '" + s.Name + "'");
        PendingState st{&s, info, s.HasIndex ? s.Index : 0, nullptr, {}};
        switch (info->Type)
        {
        case StateType::Unsupported:
            return Fail(s.Line, "state '" + s.Name + "' is not supported");
        case StateType::VsConstant:
        case StateType::PsConstant:
            return BindConstant(s, *info, shaders); // not a state of its own
        case StateType::VertexShader:
        case StateType::PixelShader:
            if (!NoteShader(s, *info, shaders))
                return false;
            break;
        case StateType::Texture:
        case StateType::Sampler:
            if (!ResolveObjectReference(s, *info, st.Reference))
                return false;
            break;
        default:
            if (s.HasIndex && !info->SamplerState)
                return Fail(s.Line, "'" + s.Name + "' takes no index");
            break;
        }
        pending.push_back(st);
        return true;
    }

    bool ResolvePassStates(const Pass& pass, std::vector<PendingState>& pending, PassShaders& shaders)
    {
        for (const StateAssignment& s : pass.States)
            if (!ResolvePassState(s, pending, shaders))
                return false;
        if (!shaders.VsBindings.empty() && !shaders.Vs)
            return Fail(shaders.VsBindings[0].Line,
                        "vertex shader constants need a VertexShader = asm { ... } in the same pass");
        if (!shaders.PsBindings.empty() && !shaders.Ps)
            return Fail(shaders.PsBindings[0].Line,
                        "pixel shader constants need a PixelShader = asm { ... } in the same pass");
        return true;
    }

    // The shader's code, with its constant table, is stored as a blob resource of the state.
    bool PutShaderState(const PendingState& st, const PassShaders& shaders, const StateSlot& slot, StateRecord& r)
    {
        const bool vertex = st.Info->Type == StateType::VertexShader;
        std::vector<uint32_t> code;
        if (!BuildShader(*st.Source, vertex, vertex ? shaders.VsBindings : shaders.PsBindings, code))
            return false;
        r = StateRecord{st.Info->Op, 0, PutObjectTypedef(vertex ? TypeVertexShader : TypePixelShader),
                        PutDword(m_nextId++)};
        std::vector<uint8_t> bytes(code.size() * 4);
        std::memcpy(bytes.data(), code.data(), bytes.size());
        m_resources.push_back(
            ResourceEntry{slot.TechniqueIndex, slot.PassIndex, NoIndex, slot.StateIndex, UsageBlob, bytes});
        ++m_shaderCount;
        return true;
    }

    // A Texture or Sampler state refers to its parameter by name through a resource.
    StateRecord PutReferenceState(const PendingState& st, const StateSlot& slot)
    {
        StateRecord r{st.Info->Op, st.Index, 0, 0};
        if (st.Info->Type == StateType::Texture)
        {
            r.TypeOffset = PutObjectTypedef(TypeTexture);
            r.ValueOffset = PutDword(m_nextId++);
        }
        else
        {
            // The value is an empty sampler block; the named sampler's states are applied.
            r.TypeOffset = PutObjectTypedef(st.Reference->Type.Type);
            r.ValueOffset = PutDword(0);
        }
        m_resources.push_back(ResourceEntry{slot.TechniqueIndex, slot.PassIndex, NoIndex, slot.StateIndex,
                                            UsageReference, NameBytes(st.Reference->Name)});
        return r;
    }

    bool PutPassState(const PendingState& st, const PassShaders& shaders, const StateSlot& slot, StateRecord& r)
    {
        switch (st.Info->Type)
        {
        case StateType::VertexShader:
        case StateType::PixelShader:
            return PutShaderState(st, shaders, slot, r);
        case StateType::Texture:
        case StateType::Sampler:
            r = PutReferenceState(st, slot);
            return true;
        default:
            return PutLiteralState(*st.Source, *st.Info, st.Index, r);
        }
    }

    // All states are checked before any is written: a pass's shaders need every constant bound in it.
    bool WritePass(const Pass& pass, uint32_t techniqueIndex, uint32_t passIndex, std::vector<StateRecord>& records)
    {
        std::vector<PendingState> pending;
        PassShaders shaders;
        if (!ResolvePassStates(pass, pending, shaders))
            return false;
        for (const PendingState& st : pending)
        {
            const StateSlot slot{techniqueIndex, passIndex, static_cast<uint32_t>(records.size())};
            StateRecord r{};
            if (!PutPassState(st, shaders, slot, r))
                return false;
            records.push_back(r);
        }
        ++m_shaderCount;
        return true;
    }

    static void AppendStateRecords(const std::vector<StateRecord>& states, std::vector<uint32_t>& out)
    {
        for (const StateRecord& r : states)
        {
            out.push_back(r.Op);
            out.push_back(r.Index);
            out.push_back(r.TypeOffset);
            out.push_back(r.ValueOffset);
        }
    }

    // Writes the technique's passes, then appends its record: name, passes and their states.
    bool WriteTechnique(const Technique& technique, uint32_t techniqueIndex, std::vector<uint32_t>& records)
    {
        std::vector<std::vector<StateRecord>> passes(technique.Passes.size());
        for (size_t p = 0; p < technique.Passes.size(); ++p)
            if (!WritePass(technique.Passes[p], techniqueIndex, static_cast<uint32_t>(p), passes[p]))
                return false;
        records.push_back(PutString(technique.Name));
        records.push_back(0);
        records.push_back(static_cast<uint32_t>(passes.size()));
        for (size_t p = 0; p < passes.size(); ++p)
        {
            records.push_back(PutString(technique.Passes[p].Name));
            records.push_back(0);
            records.push_back(static_cast<uint32_t>(passes[p].size()));
            AppendStateRecords(passes[p], records);
        }
        return true;
    }

    void PutHeaderData(const std::vector<uint8_t>& d)
    {
        m_header.push_back(static_cast<uint32_t>(d.size()));
        for (size_t i = 0; i < d.size(); i += 4)
        {
            uint32_t v = 0;
            for (size_t k = 0; k < 4 && i + k < d.size(); ++k)
                v |= static_cast<uint32_t>(d[i + k]) << (8 * k);
            m_header.push_back(v);
        }
    }

    void WriteHeader(const std::vector<uint32_t>& parameterRecords, const std::vector<uint32_t>& techniqueRecords)
    {
        m_header.push_back(static_cast<uint32_t>(m_fx.Parameters.size()));
        m_header.push_back(static_cast<uint32_t>(m_fx.Techniques.size()));
        m_header.push_back(m_shaderCount);
        m_header.push_back(m_nextId);
        m_header.insert(m_header.end(), parameterRecords.begin(), parameterRecords.end());
        m_header.insert(m_header.end(), techniqueRecords.begin(), techniqueRecords.end());
        m_header.push_back(static_cast<uint32_t>(m_objects.size()));
        m_header.push_back(static_cast<uint32_t>(m_resources.size()));
        for (const ObjectEntry& o : m_objects)
        {
            m_header.push_back(o.Id);
            PutHeaderData(o.Data);
        }
        for (const ResourceEntry& r : m_resources)
        {
            m_header.push_back(r.Technique);
            m_header.push_back(r.Index);
            m_header.push_back(r.Element);
            m_header.push_back(r.State);
            m_header.push_back(r.Usage);
            PutHeaderData(r.Data);
        }
    }

    bool WriteAll()
    {
        std::vector<uint32_t> parameterRecords;
        if (!WriteParameters(parameterRecords))
            return false;
        std::vector<uint32_t> techniqueRecords;
        for (size_t t = 0; t < m_fx.Techniques.size(); ++t)
            if (!WriteTechnique(m_fx.Techniques[t], static_cast<uint32_t>(t), techniqueRecords))
                return false;
        WriteHeader(parameterRecords, techniqueRecords);
        return true;
    }
};

} // namespace

uint32_t RegisterCount(const TypeDesc& t)
{
    uint32_t one = 1;
    if (t.Class == ClassStruct)
    {
        one = 0;
        for (const Member& m : t.Members)
            one += RegisterCount(m.Type);
    }
    else if (t.Class == ClassMatrixRows || t.Class == ClassMatrixColumns)
    {
        one = t.RowMajor ? t.Rows : t.Columns;
    }
    return t.Elements ? one * t.Elements : one;
}

std::vector<uint32_t> BuildConstantTable(uint32_t version, const std::vector<ConstantBinding>& constants)
{
    ByteBuffer b;
    const uint32_t count = static_cast<uint32_t>(constants.size());
    b.U32(28); // Size: the loader checks it
    b.U32(0);  // Creator, patched
    b.U32(version);
    b.U32(count);
    b.U32(28); // ConstantInfo
    b.U32(0);  // Flags
    b.U32(0);  // Target, patched
    for (uint32_t i = 0; i < count; ++i)
        for (int k = 0; k < 5; ++k)
            b.U32(0);
    for (uint32_t i = 0; i < count; ++i)
    {
        const ConstantBinding& c = constants[i];
        b.Align(0xAB);
        const uint32_t name = b.Size();
        b.String(c.Name);
        const uint32_t type = WriteTypeInfo(b, c.Type);
        const uint32_t at = 28 + 20 * i;
        b.Patch32(at, name);
        b.Patch32(at + 4, 2u | (c.Register << 16)); // RegisterSet float4, RegisterIndex
        b.Patch32(at + 8, RegisterCount(c.Type));
        b.Patch32(at + 12, type);
    }
    b.Align(0xAB);
    b.Patch32(4, b.Size());
    b.String("Vexa2fx");
    b.Patch32(24, b.Size());
    const bool vertex = (version >> 16) == 0xFFFE;
    b.String(std::string(vertex ? "vs_" : "ps_") + std::to_string((version >> 8) & 0xFF) + "_" +
             std::to_string(version & 0xFF));
    b.Align(0xAB);

    std::vector<uint32_t> out;
    const uint32_t dwords = b.Size() / 4 + 1;
    out.push_back(0xFFFE | (dwords << 16));
    out.push_back(0x42415443); // 'CTAB'
    for (uint32_t i = 0; i < b.Size(); i += 4)
    {
        uint32_t v = 0;
        std::memcpy(&v, &b.Bytes[i], 4);
        out.push_back(v);
    }
    return out;
}

bool WriteEffect(const EffectSource& effect, std::vector<uint8_t>& binary, int& errorLine, std::string& error)
{
    Writer writer(effect);
    return writer.Run(binary, errorLine, error);
}

} // namespace EffectCompiler
