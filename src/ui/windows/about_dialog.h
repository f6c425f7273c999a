#pragma once

#include "ui/controls/dialog.h"
#include "ui/controls/static_link.h"

namespace tnk {

// The About box (template 100): program icon, name and version, a notice and
// a link to the product's web site.
class AboutDialog : public Dialog {
  public:
    AboutDialog();
    ~AboutDialog() override;

    INT_PTR run(HWND owner);

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    HBRUSH onCtlColor(UINT message, HDC dc, HWND control) override;

  private:
    CStaticLink link_;
    HBRUSH brush_;
};

}  // namespace tnk
