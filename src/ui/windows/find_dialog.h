#pragma once

#include <windows.h>

#include "depository/depository.h"
#include "depository/record_search.h"
#include "ui/controls/dialog.h"

namespace tnk {

// "Find Text Depository": a group, a field and a keyword. After OK the
// caller reads `criteria`.
class FindDialog : public Dialog {
  public:
    explicit FindDialog(const Depository& depository);
    ~FindDialog() override;

    FindCriteria criteria;

    // True when the user confirmed with OK.
    bool run(HWND owner) { return runModal(owner, L"Find Text Depository") == IDOK; }

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    HBRUSH onCtlColor(UINT message, HDC dc, HWND control) override;

  private:
    std::u16string selectedEntry(int id) const;

    const Depository& depository_;
    HBRUSH brush_;
};

}  // namespace tnk
