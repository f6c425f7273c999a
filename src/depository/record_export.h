#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "depository/depository.h"
#include "platform/file_system.h"

namespace tnk {

// True when "<folder>\<title>.txt" names a file inside the folder (or inside
// one of its existing subfolders) that is no device. Refused: a ".."
// component (also ".. " or "...", which the system reads as one), a rooted
// or UNC title, any ':' (drives and stream names), a control character, and
// any component naming a device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9,
// CONIN$, CONOUT$, in any letter case and with or without an extension).
// Both '\' and '/' count as separators, as they do on Windows.
bool isSafeExportTitle(std::u16string_view title);

// "<folder><separator><title>.txt", or nothing when the title is not safe.
std::optional<std::u16string> exportPath(std::u16string_view folder, std::u16string_view title);

enum class ExportResult { Written, OpenFailed, WriteFailed };

// Writes the content in the 8-bit code page: no byte-order mark, nothing
// added. A write that fails part way removes the partial file.
ExportResult writeExportFile(FileSystem& fs, const std::u16string& path,
                             std::u16string_view content);

struct FolderExportReport {
    int written = 0;
    int skipped = 0;  // unsafe titles and files that could not be opened
    // Set when a write failed; the export stopped at that file.
    std::optional<std::u16string> failedPath;
};

// Folder mode: one file per row in the given order; an unsafe title or a
// file that cannot be opened is skipped, a failed write ends the export.
FolderExportReport exportToFolder(FileSystem& fs, std::u16string_view folder,
                                  const std::vector<const RecordRow*>& rows);

}  // namespace tnk
