#pragma once
// Shared pieces of the engine tests: a screen that records its calls, a fixture that points the
// platform entry points at fakes, and a check of one log entry.
#include "tests/fakes/FakeD3D9.h"
#include "tests/fakes/FakeDInput.h"
#include "Vexa2/Engine/vIScreen.h"
#include "Vexa2/Engine/vWindowManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// A screen whose operations return scripted statuses and note themselves in Fake::Journal()
// as "Screen.<operation>", so their order against device calls can be checked.
class RecordingScreen : public Vexa::IScreen
{
public:
    int OnRender() override { return Note("OnRender"); }
    int OnUpdate() override { return Note("OnUpdate"); }
    int OnLost() override { return Note("OnLost"); }
    int OnReset() override { return Note("OnReset"); }
    int OnLoad() override { return Note("OnLoad"); }
    int OnRelease() override { return Note("OnRelease"); }

    int Count(const std::string& operation) const
    {
        int count = 0;
        for (const std::string& call : Calls)
            count += call == operation ? 1 : 0;
        return count;
    }

    std::map<std::string, int> Results;             // status per operation, default 0
    std::function<void(const std::string&)> OnCall; // runs inside each operation
    std::vector<std::string> Calls;

private:
    int Note(const char* operation)
    {
        Calls.push_back(operation);
        Fake::Journal().push_back(std::string("Screen.") + operation);
        if (OnCall)
            OnCall(operation);
        std::map<std::string, int>::const_iterator result = Results.find(operation);
        return result != Results.end() ? result->second : 0;
    }
};

// Direct3DCreate9 and DirectInput8Create hand out the fixture's fakes; window flags start fresh.
class FakePlatformTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Fake::Journal().clear();
        Fake::Direct3DCreate9Control = Fake::Direct3DCreate9Script();
        Fake::Direct3DCreate9Control.Forward = false;
        Fake::Direct3DCreate9Control.Object = &Direct3D;
        Fake::DirectInput8CreateControl = Fake::DirectInput8CreateScript();
        Fake::DirectInput8CreateControl.Forward = false;
        Fake::DirectInput8CreateControl.Object = &DirectInput;
        Vexa::HasFocus = true;
        Vexa::CloseRequested = false;
    }
    void TearDown() override
    {
        Fake::Direct3DCreate9Control = Fake::Direct3DCreate9Script();
        Fake::DirectInput8CreateControl = Fake::DirectInput8CreateScript();
    }

    // Entries of Fake::Journal() whose text starts with one of the prefixes, in order.
    static std::vector<std::string> JournalOf(const std::vector<std::string>& prefixes)
    {
        std::vector<std::string> picked;
        for (const std::string& entry : Fake::Journal())
            for (const std::string& prefix : prefixes)
                if (entry.compare(0, prefix.size(), prefix) == 0)
                {
                    picked.push_back(entry);
                    break;
                }
        return picked;
    }

    Fake::FakeDirect3D9 Direct3D;
    Fake::FakeDirectInput8W DirectInput;
};

// Text of a form 1 entry (a failed call).
inline std::wstring FailedCall(const std::wstring& call, const std::wstring& hexCode)
{
    return L"Function \"" + call + L"\" returned an error. Error Code: " + hexCode;
}
