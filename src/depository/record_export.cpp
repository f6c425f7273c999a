#include "depository/record_export.h"

#include "depository/text_compare.h"
#include "platform/platform.h"

namespace tnk {
namespace {

bool isSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// The system drops trailing dots and spaces of a component, so ".. " and
// "..." climb like "..".
bool climbsUp(std::u16string_view component) {
    int dots = 0;
    for (char16_t c : component) {
        if (c == u'.') {
            ++dots;
        } else if (c != u' ') {
            return false;
        }
    }
    return dots >= 2;
}

bool namesDevice(std::u16string_view component) {
    // The device name is the part before the first dot, trailing spaces
    // ignored: "nul", "NUL.txt" and "com1 .log" all open the device.
    std::u16string_view base = component.substr(0, component.find(u'.'));
    while (!base.empty() && base.back() == u' ') {
        base.remove_suffix(1);
    }
    static constexpr std::u16string_view kDevices[] = {u"CON", u"PRN",    u"AUX",
                                                       u"NUL", u"CONIN$", u"CONOUT$"};
    for (std::u16string_view device : kDevices) {
        if (equalsIgnoringCase(base, device)) {
            return true;
        }
    }
    if (base.size() == 4 &&
        (startsWithIgnoringCase(base, u"COM") || startsWithIgnoringCase(base, u"LPT"))) {
        char16_t digit = base[3];
        // Windows also counts the superscript digits one to three.
        return (digit >= u'1' && digit <= u'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

}  // namespace

bool isSafeExportTitle(std::u16string_view title) {
    if (!title.empty() && isSeparator(title.front())) {
        return false;
    }
    for (char16_t c : title) {
        if (c == u':' || c < 0x20) {
            return false;
        }
    }
    std::u16string name(title);
    name += u".txt";
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) {
            ++end;
        }
        std::u16string_view component(name.data() + start, end - start);
        if (climbsUp(component) || namesDevice(component)) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

std::optional<std::u16string> exportPath(std::u16string_view folder, std::u16string_view title) {
    if (!isSafeExportTitle(title)) {
        return std::nullopt;
    }
    std::u16string path(folder);
    // A drive root comes back as "C:\"; do not double its separator.
    if (path.empty() || path.back() != pathSeparator()) {
        path += pathSeparator();
    }
    path += title;
    path += u".txt";
    return path;
}

ExportResult writeExportFile(FileSystem& fs, const std::u16string& path,
                             std::u16string_view content) {
    std::unique_ptr<WritableFile> file = fs.createFile(path);
    if (!file) {
        return ExportResult::OpenFailed;
    }
    std::string bytes = utf16ToAnsi(content);
    bool ok = bytes.empty() ||
              file->write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ok = file->close() && ok;
    if (!ok) {
        file.reset();
        fs.removeFile(path);
        return ExportResult::WriteFailed;
    }
    return ExportResult::Written;
}

FolderExportReport exportToFolder(FileSystem& fs, std::u16string_view folder,
                                  const std::vector<const RecordRow*>& rows) {
    FolderExportReport report;
    for (const RecordRow* row : rows) {
        std::optional<std::u16string> path = exportPath(folder, row->title);
        if (!path) {
            ++report.skipped;
            continue;
        }
        switch (writeExportFile(fs, *path, row->content)) {
            case ExportResult::Written:
                ++report.written;
                break;
            case ExportResult::OpenFailed:
                ++report.skipped;
                break;
            case ExportResult::WriteFailed:
                report.failedPath = std::move(*path);
                return report;
        }
    }
    return report;
}

}  // namespace tnk
