// Windows only: a named pipe as the input, read through the whole
// conversion.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <windows.h>

#include "files/convert_file.h"
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

    wchar_t folder[MAX_PATH + 1];
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, folder), 0u);
    const std::string output = Narrow(folder) + "zemrik-pipe-test-" + std::to_string(GetCurrentProcessId());
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
