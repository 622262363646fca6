#pragma once
// The ports whose committed edits wait for the next upload, in the order of the commits.

#include <array>

inline constexpr int kPortUploadListSize = 10;
/// Port numbers (8000..8007); the first 0 ends the list.
using PortUploadList = std::array<int, kPortUploadListSize>;

/// The entries before the first 0.
int uploadListLength(const PortUploadList& list);

/// Lists `port` (not above 0: nothing). While the list has room every commit is listed, so a
/// port edited in two cells is sent twice. A full list adds nothing for a port it holds: the
/// upload sends a port's whole row. For a port it lacks, it drops the last repeat of another
/// port: eight ports and ten places, so every edited port stays listed.
void listForUpload(PortUploadList& list, int port);
