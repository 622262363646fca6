#include "PortUploadList.h"

#include <algorithm>

int uploadListLength(const PortUploadList& list) {
    return int(std::find(list.begin(), list.end(), 0) - list.begin());
}

void listForUpload(PortUploadList& list, int port) {
    if (port <= 0) return;
    const auto end = list.begin() + uploadListLength(list);
    if (end != list.end()) {
        *end = port;
        return;
    }
    if (std::find(list.begin(), end, port) != end) return;
    for (auto repeat = end - 1; repeat != list.begin(); --repeat) {
        if (std::find(list.begin(), repeat, *repeat) == repeat) continue;
        std::move(repeat + 1, end, repeat);
        list.back() = port;
        return;
    }
    // No repeat: ten different ports, which the table cannot give; the list stays as it is.
}
