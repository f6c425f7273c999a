#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app_driver.h"

// Drives the Text Depository of a running tarnwick.exe: fields, buttons, the
// record table (through memory lent in the program's process), message
// boxes and the other dialogs it opens, all found by their windows.
namespace tnk::gui {

struct SeenBox {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
};

class DepositoryDriver {
  public:
    // Opens the dialog with the main window's Depository button.
    explicit DepositoryDriver(AppProcess& app);
    ~DepositoryDriver();
    DepositoryDriver(const DepositoryDriver&) = delete;
    DepositoryDriver& operator=(const DepositoryDriver&) = delete;

    HWND dialog() const { return dialog_; }
    // From the Depository button to the filled dialog.
    unsigned long long openMilliseconds() const { return openMilliseconds_; }
    bool open() const { return dialog_ && IsWindow(dialog_); }

    void setText(int id, const std::wstring& text) const;
    std::wstring text(int id) const;
    bool enabled(int id) const;
    bool visible(int id) const;

    // A button press for a command that may ask: returns at once.
    void press(int id) const;
    // A button press for a command that asks nothing: returns when done.
    void pressAndWait(int id) const;

    // A message box of the program (not one of its dialogs), or none.
    std::optional<SeenBox> waitBox(double seconds = kStateSeconds) const;
    // Answers a box with IDOK, IDYES or IDNO and waits until it is gone.
    void answer(const SeenBox& box, int button) const;
    // A dialog of the program other than the depository with `childId`.
    HWND waitOther(int childId, double seconds = kStateSeconds) const;

    int rowCount() const;
    std::vector<std::wstring> row(int index) const;  // the six cells
    std::vector<std::wstring> column(int column) const;
    void select(const std::vector<int>& rows) const;
    std::vector<int> selected() const;
    void doubleClick(int row) const;
    std::vector<std::wstring> groupEntries() const;

    // Closes the dialog and waits until it is gone.
    void close();

  private:
    // Copies `size` bytes to memory in the program, sends, copies back.
    LRESULT sendWithBuffer(HWND window, UINT message, WPARAM wParam, void* data, std::size_t size,
                           std::size_t pointerOffset, std::size_t extra) const;

    AppProcess& app_;
    HWND main_ = nullptr;
    HWND dialog_ = nullptr;
    HANDLE process_ = nullptr;
    unsigned long long openMilliseconds_ = 0;
};

}  // namespace tnk::gui
