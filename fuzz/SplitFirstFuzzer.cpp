// SplitFirst on arbitrary lists and delimiters, taken item by item until the list is
// empty. The input's first byte d (mod 8) is the delimiter's length, the next d bytes
// the delimiter, the rest the list. Each call must hand out the text before the
// first delimiter and drop exactly one character (the delimiter's first), or take
// the whole list when there is no delimiter; every call shortens the list.
#include "card_init/SplitFirst.h"
#include "fuzz/FuzzCheck.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputCursor in(data, size);
    std::size_t taken = 0;
    const auto* d = reinterpret_cast<const char*>(in.Take(in.Byte() % 8, taken));
    const std::string delimiter(d, taken);
    const auto* l = reinterpret_cast<const char*>(in.Take(in.Remaining(), taken));
    std::string list(l, taken);

    std::string item = "stale";
    std::size_t calls = 0;
    do {
        const std::string before = list;
        SplitFirst(list, delimiter, item);
        ++calls;
        FUZZ_CHECK(calls <= taken + 1);
        const std::size_t at = delimiter.empty() ? std::string::npos : before.find(delimiter);
        if (at == std::string::npos) {
            FUZZ_CHECK(item == before);
            FUZZ_CHECK(list.empty());
        } else {
            FUZZ_CHECK(item.size() == at);
            FUZZ_CHECK(item.find(delimiter) == std::string::npos);
            FUZZ_CHECK(item + delimiter[0] + list == before);
        }
    } while (!list.empty());

    SplitFirst(list, delimiter, item);
    FUZZ_CHECK(item.empty() && list.empty());
    return 0;
}
