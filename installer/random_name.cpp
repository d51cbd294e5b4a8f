#include "installer/random_name.h"

#include <windows.h>
#include <ntsecapi.h>

#include <iterator>
#include <vector>

namespace installer {

namespace {

// 32 lower-case letters and digits, none easily taken for another: the low
// five bits of a random byte pick one evenly, and names differ in more than
// case, which Windows ignores.
constexpr wchar_t name_letters[] = L"abcdefghijkmnpqrstuvwxyz23456789";
static_assert(std::size(name_letters) - 1 == 32);

} // namespace

std::wstring random_name(std::size_t letters) {
    // RtlGenRandom is advapi32's SystemFunction036: advapi32 is loaded
    // anyway, where a cryptography DLL would be one more to load.
    std::vector<unsigned char> bytes(letters);
    if (letters == 0 || !RtlGenRandom(bytes.data(), static_cast<ULONG>(bytes.size()))) {
        return {};
    }
    std::wstring name;
    for (const unsigned char byte : bytes) {
        name += name_letters[byte & 31];
    }
    return name;
}

} // namespace installer
