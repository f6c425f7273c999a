#pragma once

#include <functional>
#include <optional>

#include "config/hot_key.h"
#include "ui/controls/dialog.h"

namespace tnk {

// The "Capture key" dialog (template "CAPTURE KEY"): a hot-key control
// showing the current key, and a line that says when another program holds
// it. OK tries the new key through `take` and closes only once it is held
// (or when the key is cleared); the caller reads `key` after an OK.
class HotKeyDialog : public Dialog {
  public:
    INT_PTR run(HWND owner);

    // In: the current key, and whether another program holds it.
    std::optional<HotKey> key;
    bool taken = false;
    // Makes a key (or none) the capture key; false when another program
    // holds it, and the old key is kept.
    std::function<bool(const std::optional<HotKey>&)> take;

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;

  private:
    void onOk();
    void say(const char16_t* textKey, const wchar_t* english);

    // What the control showed at the start: left as it was, the key keeps
    // the modifier the control cannot show (Win).
    WORD initial_ = 0;
};

}  // namespace tnk
