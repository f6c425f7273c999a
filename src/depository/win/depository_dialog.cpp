#include "depository/win/depository_dialog.h"

namespace tnk {

// Placeholder until the dialog lands: the button does nothing.
void openDepositoryDialog(HWND, const std::u16string&, const std::u16string&,
                          const std::u16string&) {}

}  // namespace tnk
