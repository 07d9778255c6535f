// Windows only: the system form of paths, a named pipe as the input, and a
// replaced file's attributes, through the whole conversion.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <windows.h>

#include "files/convert_file.h"
#include "files/system_windows.h"
#include "files/utf16_names.h"
#include "translate/tables.h"

namespace {

std::int64_t lastPosition = 0;

void Record(std::int64_t position, std::int64_t)
{
    lastPosition = position;
}

std::string Narrow(const std::wstring& wide)
{
    return NameFromUtf16(std::u16string(wide.begin(), wide.end()));
}

std::wstring CurrentFolder()
{
    wchar_t folder[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, folder);
    std::wstring path(folder, n);
    if (path.back() != L'\\')
        path += L'\\';
    return path;
}

std::wstring TemporaryFolder()
{
    wchar_t folder[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, folder);
    return std::wstring(folder, n);
}

}  // namespace

struct PipeCase {
    bool Disconnect;  // the server disconnects (else it closes its end)
    bool Stars;       // with the display, which needs the size first
};

class PipeInputTest : public ::testing::TestWithParam<PipeCase> {};

// However the server ends, once its data is written the input is complete:
// every byte is converted, none is an error.
TEST_P(PipeInputTest, IsReadWholeWhenTheServerEnds)
{
    const PipeCase& c = GetParam();
    std::string content(300000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7 + i / 1000);
    const std::wstring pipe = L"\\\\.\\pipe\\zemrik-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                     65536, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    std::thread writer([&] {
        ConnectNamedPipe(server, nullptr);
        std::size_t done = 0;
        DWORD n = 0;
        while (done < content.size() &&
               WriteFile(server, content.data() + done, static_cast<DWORD>(content.size() - done), &n, nullptr))
            done += n;
        FlushFileBuffers(server);  // until the reader has every byte
        if (c.Disconnect)
            DisconnectNamedPipe(server);
        CloseHandle(server);
    });

    const std::string output = Narrow(TemporaryFolder()) + "zemrik-pipe-test-" + std::to_string(GetCurrentProcessId());
    BuildWorkTable(true);
    lastPosition = 0;
    std::string failure;
    try {
        ConvertFile({"PIPE", Narrow(pipe)}, {"OUT", output}, c.Stars ? Record : nullptr);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    writer.join();
    EXPECT_EQ(failure, "");
    std::string converted;
    {
        std::ifstream in(output, std::ios::binary);
        converted.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::u16string wideOutput = Utf16FromName(output);
    DeleteFileW(reinterpret_cast<const wchar_t*>(wideOutput.c_str()));
    std::string expected = content;
    for (char& b : expected)
        b = static_cast<char>(WorkTable[static_cast<unsigned char>(b)]);
    EXPECT_TRUE(converted == expected) << converted.size() << " bytes of " << expected.size();
    if (c.Stars) {
        EXPECT_EQ(lastPosition, 299008);  // the last multiple of 1024
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PipeInputTest, ::testing::Values(
    PipeCase{true, false}, PipeCase{true, true}, PipeCase{false, false}, PipeCase{false, true}));

// Every path reaches the system absolute and in its long form, resolved as
// Windows resolves it; devices and paths already in that form stay.
struct SystemPathCase {
    std::string Name;
    std::wstring Expected;  // after the current folder, where it starts with "+"
};

class SystemPathTest : public ::testing::TestWithParam<SystemPathCase> {};

TEST_P(SystemPathTest, IsAbsoluteAndLong)
{
    const SystemPathCase& c = GetParam();
    std::wstring expected = c.Expected;
    if (!expected.empty() && expected[0] == L'+')
        expected = L"\\\\?\\" + CurrentFolder() + expected.substr(1);
    EXPECT_EQ(SystemPath(c.Name), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SystemPathTest, ::testing::Values(
    SystemPathCase{"scene.ff7", L"+scene.ff7"},
    SystemPathCase{"a/b/../c.ff7. .", L"+a\\c.ff7"},
    SystemPathCase{"C:\\x\\.\\y", L"\\\\?\\C:\\x\\y"},
    SystemPathCase{"\\\\server\\share\\y", L"\\\\?\\UNC\\server\\share\\y"},
    SystemPathCase{"\\\\?\\C:\\x\\..\\y.", L"\\\\?\\C:\\x\\..\\y."},
    SystemPathCase{"\\\\.\\pipe\\p", L"\\\\.\\pipe\\p"},
    SystemPathCase{"NUL", L"\\\\.\\NUL"},
    SystemPathCase{"", L""}));

// A replaced file keeps its attributes (the security descriptor goes the
// same way, which wine does not keep).
TEST(Replacement, KeepsTheReplacedFilesAttributes)
{
    const std::wstring path = TemporaryFolder() + L"zemrik-attributes-" + std::to_wstring(GetCurrentProcessId());
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(file, "abc", 3, &n, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    BuildWorkTable(false);
    const std::string name = Narrow(path);
    ConvertFile({"F", name}, {"F", name}, nullptr);
    DWORD attributes = GetFileAttributesW(path.c_str());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}
