#pragma once
// Common ground of the COM fakes: a reference count that tests can read, a record of every
// call by method name, and scripted results per method.
//
// Ownership: a fake never deletes itself. Objects a test constructs belong to the test; objects
// a fake creates (vertex buffers, input devices...) belong to their creating fake. A fake starts
// at RefCount 0; whoever hands it out (a fake entry point or a fake Create... method) adds the
// one reference a real creator returns, so "back to baseline" means RefCount == 0 again.
// A negative count shows an over-release.
#include <windows.h>
#include <unknwn.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace Fake
{
// One list of "<Object>.<Method>" entries from every fake (and from test doubles that want to
// take part), in call order: lets a test check the order of calls across objects.
std::vector<std::string>& Journal();

class Recorder
{
public:
    explicit Recorder(const char* objectName) : ObjectName(objectName) {}

    // A fixed result for every call of a method (default S_OK).
    void SetResult(const std::string& method, HRESULT result) { Results[method] = result; }
    // Results used one per call, before the fixed result applies again.
    void QueueResults(const std::string& method, std::initializer_list<HRESULT> results)
    {
        std::deque<HRESULT>& queue = Sequences[method];
        queue.insert(queue.end(), results.begin(), results.end());
    }
    int CallCount(const std::string& method) const
    {
        int count = 0;
        for (const std::string& call : Calls)
            count += call == method ? 1 : 0;
        return count;
    }

    std::string ObjectName;         // prefix of this object's Journal entries
    std::vector<std::string> Calls; // method names in call order (not AddRef/Release)
    std::map<std::string, HRESULT> Results;
    std::map<std::string, std::deque<HRESULT>> Sequences;
    // Runs inside every recorded call, after it is recorded: lets a test act while the code
    // under test waits on a method.
    std::function<void(const std::string& method)> OnCall;

protected:
    // Records the call and returns its scripted result, else `unscripted`.
    HRESULT Record(const char* method, HRESULT unscripted = S_OK)
    {
        Calls.push_back(method);
        Journal().push_back(ObjectName + "." + method);
        if (OnCall)
            OnCall(method);
        std::map<std::string, std::deque<HRESULT>>::iterator queued = Sequences.find(method);
        if (queued != Sequences.end() && !queued->second.empty())
        {
            const HRESULT result = queued->second.front();
            queued->second.pop_front();
            return result;
        }
        std::map<std::string, HRESULT>::const_iterator fixed = Results.find(method);
        return fixed != Results.end() ? fixed->second : unscripted;
    }
};

// IUnknown over a recorder. Parent: the creator this object keeps a reference on while it is
// referenced itself (a real device is held by each of its resources, a DirectInput object by
// each of its devices).
template <class Interface>
class ComObject : public Interface, public Recorder
{
public:
    explicit ComObject(const char* objectName) : Recorder(objectName), RefCount(0), Parent(nullptr) {}
    virtual ~ComObject() {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override
    {
        if (object != nullptr)
            *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override
    {
        if (RefCount == 0 && Parent != nullptr)
            Parent->AddRef();
        return static_cast<ULONG>(++RefCount);
    }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG count = --RefCount;
        if (count == 0 && Parent != nullptr)
            Parent->Release();
        return count < 0 ? 0 : static_cast<ULONG>(count);
    }

    LONG RefCount;
    IUnknown* Parent;
};
} // namespace Fake

// Stubs for the methods a fake does not model: recorded, scripted result. They never write
// their out parameters, so getters and creators answer E_NOTIMPL unless scripted; the rest S_OK.
#define FAKE_METHOD(name, params)                                                                                      \
    HRESULT STDMETHODCALLTYPE name params override                                                                     \
    {                                                                                                                  \
        return Record(#name);                                                                                          \
    }
#define FAKE_OUT_METHOD(name, params)                                                                                  \
    HRESULT STDMETHODCALLTYPE name params override                                                                     \
    {                                                                                                                  \
        return Record(#name, E_NOTIMPL);                                                                               \
    }
#define FAKE_VOID_METHOD(name, params)                                                                                 \
    void STDMETHODCALLTYPE name params override                                                                        \
    {                                                                                                                  \
        Record(#name);                                                                                                 \
    }
#define FAKE_VALUE_METHOD(type, name, params)                                                                          \
    type STDMETHODCALLTYPE name params override                                                                        \
    {                                                                                                                  \
        Record(#name);                                                                                                 \
        return type();                                                                                                 \
    }
