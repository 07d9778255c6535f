#include <cstdio>
#include <cstring>

#include <zemrik/zemrik.h>

int main()
{
    unsigned char text[] = "Hello, FF7!";
    unsigned char encoded[sizeof text];
    zemrik::Encode(text, encoded, sizeof text - 1);
    if (encoded[0] != 0x28 || encoded[1] != 0x45)  // 'H' and 'e'
        return 1;
    zemrik::DecodeInPlace(encoded, sizeof text - 1);
    if (std::memcmp(encoded, text, sizeof text - 1) != 0)
        return 1;
    std::puts("consumer: round trip exact");
    return 0;
}
