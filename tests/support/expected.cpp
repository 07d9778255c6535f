#include "support/expected.h"

#include <cstdint>
#include <map>
#include <random>

#include "support/run_program.h"
#include "translate/tables.h"

std::string ModuleName()
{
    std::string path = ProgramCommand().back();
    return path.substr(path.find_last_of("/\\:") + 1);
}

std::string Frame(int stars)
{
    return "Progress: [" + std::string(50, ' ') + "]" + std::string(static_cast<std::size_t>(stars), '*');
}

std::string Banner(const std::string& in, const std::string& out)
{
    return "Talvenir ZEMRIK v1.0 " + in + " -> " + out + "\r\n";
}

std::string Report(const std::string& cls, const std::string& message)
{
    // Each class reports its own fixed code address.
    static const std::map<std::string, std::string> address = {
        {"EStreamError", "00402A10"}, {"EFOpenError", "00402B24"}, {"EFCreateError", "00402C38"},
        {"EReadError", "00402D4C"},   {"EWriteError", "00402E60"},
    };
    return "Exception " + cls + " in module " + ModuleName() + " at " + address.at(cls) + ".\n" +
           message + "\r\n";
}

std::string Encoded(std::string bytes)
{
    for (char& c : bytes)
        c = static_cast<char>(EncodeTable[static_cast<unsigned char>(c)]);
    return bytes;
}

std::string Decoded(std::string bytes)
{
    std::uint8_t inverse[256];
    for (int k = 0; k < 256; ++k)
        inverse[EncodeTable[k]] = static_cast<std::uint8_t>(k);
    for (char& c : bytes)
        c = static_cast<char>(inverse[static_cast<unsigned char>(c)]);
    return bytes;
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}
