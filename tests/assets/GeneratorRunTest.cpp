// The generator program as the build runs it: same bytes on every run, every file written,
// and its exit codes.
#include "tools/AssetGenerator/AssetDesign.h"
#include "AssetTestSupport.h"
#include "tools/AssetGenerator/Assets.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using namespace AssetTest;

namespace
{
std::string Generator()
{
    return WindowsPath(ASSET_GENERATOR_EXE);
}

// A folder as a quoted argument: without its trailing backslash, which would escape the quote.
std::string Argument(const std::string& folder)
{
    std::string bare = folder;
    if (!bare.empty() && bare.back() == '\\')
        bare.pop_back();
    return "\"" + bare + "\"";
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}
} // namespace

TEST(AssetGeneratorRun, TwoRunsAndTheLibraryGiveTheSameBytes)
{
    std::string first = MakeTempFolder("run1"), second = MakeTempFolder("run2"), third = MakeTempFolder("lib");
    ASSERT_EQ(0u, RunProgram(Generator(), Argument(first)));
    ASSERT_EQ(0u, RunProgram(Generator(), Argument(second)));
    ASSERT_EQ(0, Assets::GenerateAll(third));

    std::vector<std::string> names = FilesIn(first);
    EXPECT_EQ(static_cast<size_t>(AssetDesign::FileCount), names.size()) << "nothing else is written";
    for (int i = 0; i < AssetDesign::FileCount; ++i)
    {
        const std::string name = AssetDesign::Files[i];
        std::vector<std::uint8_t> a, b, c;
        ASSERT_TRUE(ReadWholeFile(first + name, a)) << name;
        ASSERT_TRUE(ReadWholeFile(second + name, b)) << name;
        ASSERT_TRUE(ReadWholeFile(third + name, c)) << name;
        EXPECT_GT(a.size(), 1000u) << name;
        EXPECT_TRUE(a == b) << name << " differs between two runs";
        EXPECT_TRUE(a == c) << name << " differs between the program and the library";
    }
    RemoveFolder(first);
    RemoveFolder(second);
    RemoveFolder(third);
}

TEST(AssetGeneratorRun, ExitCodesForUsageAndUnwritableFolder)
{
    EXPECT_EQ(1u, RunProgram(Generator(), ""));
    std::string folder = MakeTempFolder("gone");
    RemoveFolder(folder);
    EXPECT_EQ(2u, RunProgram(Generator(), Argument(folder + "missing")));
    EXPECT_EQ(1, Assets::GenerateAll(folder + "missing\\")) << "the first file fails";
}

TEST(AssetGeneratorRun, XFilesAreBinaryAndTheirTextFormsWriteEveryFloatWithADecimalPoint)
{
    std::string folder = MakeTempFolder("x");
    ASSERT_EQ(0, Assets::GenerateAll(folder));
    for (const char* name : {"skullocc.x", "venus.x", "ball.x", "tiny.x"})
    {
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(ReadWholeFile(folder + name, bytes));
        EXPECT_EQ("xof 0303bin 0032", std::string(bytes.begin(), bytes.begin() + 16)) << name;
    }
    // Wine's .x parser refuses "1;" where a float is expected: check every vertex and texture
    // coordinate line of the real models in text form.
    for (const Assets::XModel& model : Assets::XModels())
    {
        const char* name = model.File;
        std::string text = Assets::EncodeXFile(model.Mesh, model.Materials, model.Name);
        EXPECT_EQ(0u, text.find("xof 0303txt 0032\n")) << name;
        size_t floatLines = 0, bad = 0, start = 0;
        while (start < text.size())
        {
            size_t end = text.find('\n', start);
            std::string line = text.substr(start, end - start);
            start = end == std::string::npos ? text.size() : end + 1;
            // Float lines are those with two or more ';'-terminated numbers and no ','-separated face list.
            if (line.find("3;") == 1 || line.find("3;") == 2 || line.find('"') != std::string::npos)
                continue;
            size_t semicolons = 0;
            for (char ch : line)
                semicolons += ch == ';';
            if (semicolons < 2)
                continue;
            ++floatLines;
            size_t field = 0;
            while (field < line.size())
            {
                size_t stop = line.find(';', field);
                if (stop == std::string::npos)
                    break;
                std::string number = line.substr(field, stop - field);
                while (!number.empty() && (number[0] == ' ' || number[0] == ','))
                    number.erase(0, 1);
                if (!number.empty() && number.find('.') == std::string::npos)
                    ++bad;
                field = stop + 1;
            }
        }
        EXPECT_GT(floatLines, 1000u) << name;
        EXPECT_EQ(0u, bad) << name;
    }
    RemoveFolder(folder);
}
