#pragma once

#include <cstring>
#include <string>

#include "config/config_document.h"
#include "config/config_file.h"

namespace tnk::testing {

inline CipherKey keyFrom(const char* hex32) {
    CipherKey key;
    std::memcpy(key.data(), hex32, key.size());
    return key;
}

inline const CipherKey kKey = keyFrom("0123456789abcdef0123456789abcdef");
inline const CipherKey kOtherKey = keyFrom("fedcba9876543210fedcba9876543210");

// A small configuration with two languages, options, a record and "win"
// made for `key`.
inline std::u16string sampleMarkup(const CipherKey& key) {
    return u"\r\n<language curlng=\"english\">"
           u"\r\n\t<english>\r\n\t\t<text>"
           u"\r\n\t\t\t<main_caption>Tarnwick</main_caption>"
           u"\r\n\t\t\t<main_copy>Copy</main_copy>"
           u"\r\n\t\t</text>\r\n\t</english>"
           u"\r\n\t<chinese>\r\n\t\t<text>"
           u"\r\n\t\t\t<main_caption>Tarnwick</main_caption>"
           u"\r\n\t\t\t<main_copy>\u590d\u5236</main_copy>"
           u"\r\n\t\t</text>\r\n\t</chinese>"
           u"\r\n</language>"
           u"\r\n<option autowrap=\"0\" filter=\"1\" hideoc=\"0\"></option>"
           u"\r\n<depository>"
           u"\r\n\t<group name=\"g\">"
           u"\r\n\t\t<record addtime=\"2007-05-01 09:05:07\" remark=\"\" source=\"s\" "
           u"title=\"t &quot;q&quot;\">content \U0001F600 &lt;b&gt;</record>"
           u"\r\n\t</group>"
           u"\r\n</depository>"
           u"\r\n<win>" +
           winTextForKey(key) + u"</win>";
}

}  // namespace tnk::testing
