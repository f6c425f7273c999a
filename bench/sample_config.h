#pragma once

#include <string>

#include "config/config_document.h"

namespace tnk {

// The key the sample files are enciphered with.
const CipherKey& benchKey();
// Markup of a configuration whose UTF-8 form is about `megabytes` MB:
// records of mostly ASCII text with some Chinese, as captured pages give.
const std::u16string& markupOf(int megabytes);
// Where the sample file of that size is kept.
std::u16string sampleFilePath(int megabytes);
// A sample file of that size in the temporary folder, written once per process.
std::u16string benchFile(int megabytes);

}  // namespace tnk
