#include "BinaryReader.h"

#include <cstring>

namespace
{

class Reader
{
public:
    Reader(const std::vector<uint8_t>& bytes, std::string& why) : m_bytes(bytes), m_why(why) {}

    bool Dword(uint32_t fileOffset, uint32_t& v)
    {
        if (fileOffset + 4 > m_bytes.size())
            return Fail("offset past the end");
        std::memcpy(&v, &m_bytes[fileOffset], 4);
        return true;
    }
    bool Base(uint32_t offset, uint32_t& v) { return Dword(8 + offset, v); }
    bool Next(uint32_t& v)
    {
        if (!Dword(m_pos, v))
            return false;
        m_pos += 4;
        return true;
    }
    bool String(uint32_t offset, std::string& s)
    {
        s.clear();
        if (offset == 0)
            return true;
        uint32_t length = 0;
        if (!Base(offset, length))
            return false;
        if (length == 0)
            return true;
        if (8 + offset + 4 + length > m_bytes.size())
            return Fail("string past the end");
        const char* p = reinterpret_cast<const char*>(&m_bytes[8 + offset + 4]);
        if (p[length - 1] != 0)
            return Fail("string without NUL");
        s.assign(p, length - 1);
        return true;
    }
    // Typedef records are contiguous for struct members; returns the offset after the record group.
    bool Typedef(uint32_t offset, FxTypedef& t, uint32_t& end)
    {
        uint32_t nameOffset = 0, semanticOffset = 0;
        if (!Base(offset, t.Type) || !Base(offset + 4, t.Class) || !Base(offset + 8, nameOffset) ||
            !Base(offset + 12, semanticOffset) || !Base(offset + 16, t.Elements))
            return false;
        if (!String(nameOffset, t.Name) || !String(semanticOffset, t.Semantic))
            return false;
        end = offset + 20;
        switch (t.Class)
        {
        case 1:
            if (!Base(end, t.Columns) || !Base(end + 4, t.Rows))
                return false;
            end += 8;
            break;
        case 0:
        case 2:
        case 3:
            if (!Base(end, t.Rows) || !Base(end + 4, t.Columns))
                return false;
            end += 8;
            break;
        case 4:
            break;
        case 5:
        {
            uint32_t count = 0;
            if (!Base(end, count))
                return false;
            end += 4;
            for (uint32_t i = 0; i < count; ++i)
            {
                FxTypedef m;
                if (!Typedef(end, m, end))
                    return false;
                t.Members.push_back(m);
            }
            break;
        }
        default:
            return Fail("unknown class");
        }
        return true;
    }
    static uint32_t Size(const FxTypedef& t)
    {
        uint32_t one = 0;
        if (t.Class == 5)
            for (const FxTypedef& m : t.Members)
                one += Size(m);
        else if (t.Class == 4)
            one = (t.Type >= 10 && t.Type <= 14) ? 0 : 4;
        else
            one = 4 * t.Rows * t.Columns;
        return t.Elements ? one * t.Elements : one;
    }
    bool Values(uint32_t offset, uint32_t bytes, std::vector<uint32_t>& out)
    {
        out.clear();
        for (uint32_t i = 0; i < bytes; i += 4)
        {
            uint32_t v = 0;
            if (!Base(offset + i, v))
                return false;
            out.push_back(v);
        }
        return true;
    }
    bool State(uint32_t fileOffset, FxState& s)
    {
        uint32_t typeOffset = 0, valueOffset = 0, end = 0;
        if (!Dword(fileOffset, s.Op) || !Dword(fileOffset + 4, s.Index) || !Dword(fileOffset + 8, typeOffset) ||
            !Dword(fileOffset + 12, valueOffset))
            return false;
        if (!Typedef(typeOffset, s.Type, end))
            return false;
        const bool sampler = s.Type.Class == 4 && s.Type.Type >= 10 && s.Type.Type <= 14;
        return Values(valueOffset, sampler ? 4 : Size(s.Type), s.Value);
    }
    bool Blob(std::vector<uint8_t>& data)
    {
        uint32_t size = 0;
        if (!Next(size))
            return false;
        if (m_pos + size > m_bytes.size())
            return Fail("blob past the end");
        data.assign(m_bytes.begin() + m_pos, m_bytes.begin() + m_pos + size);
        m_pos += (size + 3) & ~3u;
        return true;
    }

    bool Run(FxBinary& out)
    {
        uint32_t tag = 0, header = 0;
        if (!Dword(0, tag) || !Dword(4, header))
            return false;
        if (tag != 0xFEFF0901)
            return Fail("bad tag");
        m_pos = 8 + header;
        uint32_t params = 0, techniques = 0;
        if (!Next(params) || !Next(techniques) || !Next(out.ShaderCount) || !Next(out.ObjectCount))
            return false;
        for (uint32_t i = 0; i < params; ++i)
        {
            FxParameter p;
            uint32_t typeOffset = 0, annotations = 0, end = 0;
            if (!Next(typeOffset) || !Next(p.ValueOffset) || !Next(p.Flags) || !Next(annotations))
                return false;
            if (!Typedef(typeOffset, p.Type, end))
                return false;
            for (uint32_t a = 0; a < annotations; ++a)
            {
                uint32_t at = 0, av = 0;
                FxTypedef t;
                std::vector<uint32_t> v;
                if (!Next(at) || !Next(av) || !Typedef(at, t, end) || !Values(av, Size(t), v))
                    return false;
                p.Annotations.emplace_back(t, v);
            }
            if (p.Type.Class == 4 && p.Type.Type >= 10 && p.Type.Type <= 14)
            {
                uint32_t count = 0;
                if (!Base(p.ValueOffset, count))
                    return false;
                for (uint32_t s = 0; s < count; ++s)
                {
                    FxState st;
                    if (!State(8 + p.ValueOffset + 4 + 16 * s, st))
                        return false;
                    p.SamplerStates.push_back(st);
                }
            }
            else if (!Values(p.ValueOffset, Size(p.Type), p.Value))
            {
                return false;
            }
            out.Parameters.push_back(p);
        }
        for (uint32_t t = 0; t < techniques; ++t)
        {
            FxTechnique tech;
            uint32_t name = 0, annotations = 0, passes = 0;
            if (!Next(name) || !Next(annotations) || !Next(passes) || !String(name, tech.Name))
                return false;
            if (annotations)
                return Fail("technique annotations");
            for (uint32_t p = 0; p < passes; ++p)
            {
                FxPass pass;
                uint32_t states = 0;
                if (!Next(name) || !Next(annotations) || !Next(states) || !String(name, pass.Name))
                    return false;
                if (annotations)
                    return Fail("pass annotations");
                for (uint32_t s = 0; s < states; ++s)
                {
                    FxState st;
                    if (!State(m_pos, st))
                        return false;
                    m_pos += 16;
                    pass.States.push_back(st);
                }
                tech.Passes.push_back(pass);
            }
            out.Techniques.push_back(tech);
        }
        uint32_t objects = 0, resources = 0;
        if (!Next(objects) || !Next(resources))
            return false;
        for (uint32_t i = 0; i < objects; ++i)
        {
            uint32_t id = 0;
            std::vector<uint8_t> data;
            if (!Next(id) || !Blob(data))
                return false;
            out.Objects.emplace_back(id, data);
        }
        for (uint32_t i = 0; i < resources; ++i)
        {
            FxResource r;
            if (!Next(r.Technique) || !Next(r.Index) || !Next(r.Element) || !Next(r.State) || !Next(r.Usage) ||
                !Blob(r.Data))
                return false;
            out.Resources.push_back(r);
        }
        out.ReachedEnd = m_pos == m_bytes.size();
        return true;
    }

private:
    bool Fail(const char* why)
    {
        m_why = why;
        return false;
    }
    const std::vector<uint8_t>& m_bytes;
    std::string& m_why;
    uint32_t m_pos = 0;
};

} // namespace

bool ReadFxBinary(const std::vector<uint8_t>& bytes, FxBinary& out, std::string& why)
{
    out = FxBinary();
    Reader reader(bytes, why);
    return reader.Run(out);
}
