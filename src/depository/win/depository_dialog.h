#pragma once

#include <windows.h>

#include <string>

namespace tnk {

// Runs the Text Depository modally over `owner`, with the capture as the
// new record's title, source and content.
void openDepositoryDialog(HWND owner, const std::u16string& title, const std::u16string& source,
                          const std::u16string& content);

}  // namespace tnk
