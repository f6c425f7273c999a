// Sample configuration files for the benchmarks: a depository of captured
// records grown to a given size, enciphered with a fixed key.
#include "sample_config.h"

#include <filesystem>
#include <map>
#include <string>

#include "config/config_file.h"
#include "platform/file_system.h"
#include "platform/platform.h"

namespace tnk {

const CipherKey& benchKey() {
    static const CipherKey key = [] {
        CipherKey k;
        const char hex[] = "0123456789abcdef0123456789abcdef";
        for (std::size_t i = 0; i < k.size(); ++i)
            k[i] = static_cast<std::uint8_t>(hex[i]);
        return k;
    }();
    return key;
}

const std::u16string& markupOf(int megabytes) {
    static std::map<int, std::u16string> cache;
    std::u16string& markup = cache[megabytes];
    if (!markup.empty())
        return markup;
    markup =
        u"\r\n<language curlng=\"english\">\r\n\t<english>\r\n\t\t<text>"
        u"\r\n\t\t\t<main_caption>Tarnwick</main_caption>\r\n\t\t</text>\r\n\t</english>"
        u"\r\n</language>\r\n<option autowrap=\"0\" filter=\"1\" hideoc=\"0\"></option>"
        u"\r\n<depository>";
    std::u16string content;
    for (int i = 0; i < 12; ++i) {
        content += u"Captured paragraph with some words, numbers 12345 and punctuation; ";
        content += u"\u6587\u672c\u5e93\u8bb0\u5f55 ";
    }
    const std::size_t target = static_cast<std::size_t>(megabytes) * 1000000;
    std::size_t size = utf8Size(markup);
    for (int group = 0; size < target; ++group) {
        const std::size_t before = markup.size();
        markup += u"\r\n\t<group name=\"group " + utf8ToUtf16(std::to_string(group)) + u"\">";
        for (int r = 0; r < 200; ++r) {
            markup +=
                u"\r\n\t\t<record addtime=\"2007-05-01 09:05:07\" remark=\"note\" "
                u"source=\"http://example.org/page.htm\" title=\"Record title\">";
            markup += content;
            markup += u"</record>";
        }
        markup += u"\r\n\t</group>";
        size += utf8Size(std::u16string_view(markup).substr(before));
    }
    markup += u"\r\n</depository>\r\n<win>" + winTextForKey(benchKey()) + u"</win>";
    return markup;
}

std::u16string sampleFilePath(int megabytes) {
    return (std::filesystem::temp_directory_path() /
            ("tnk-bench-" + std::to_string(megabytes) + "mb.cfg"))
        .u16string();
}

std::u16string benchFile(int megabytes) {
    const std::u16string path = sampleFilePath(megabytes);
    static std::map<int, bool> written;
    if (!written[megabytes]) {
        written[megabytes] = true;
        const Bytes bytes = encodeConfigText(markupOf(megabytes), benchKey());
        writeFileAtomically(systemFileSystem(), path, bytes.data(), bytes.size());
    }
    return path;
}

}  // namespace tnk
