#include "card_init/SplitFirst.h"

void SplitFirst(std::string& list, const std::string& delimiter, std::string& item) {
    item.clear();
    if (list.empty()) return;
    const std::size_t at = delimiter.empty() ? std::string::npos : list.find(delimiter);
    if (at == std::string::npos) {
        item.swap(list);
        list.clear();
        return;
    }
    item = list.substr(0, at);
    list.erase(0, at + 1);
}
