#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "depository/depository.h"
#include "depository/depository_commands.h"
#include "ui/controls/dialog.h"

namespace tnk {

// Runs the Text Depository modally over `owner`, with the capture as the
// new record's title, source and content.
void openDepositoryDialog(HWND owner, const std::u16string& title, const std::u16string& source,
                          const std::u16string& content);

// The "Text Depository" window: the Current Record fields, the group box and
// the record table over a Depository. Every command saves its change at once.
class DepositoryDialog : public Dialog {
  public:
    explicit DepositoryDialog(Depository& depository);
    ~DepositoryDialog() override;

    // The Current Record area starts with these.
    std::u16string initialTitle;
    std::u16string initialSource;
    std::u16string initialContent;

    INT_PTR run(HWND owner) { return runModal(owner, L"Text Depository"); }

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;
    bool onDrawItem(DRAWITEMSTRUCT& item) override;
    HBRUSH onCtlColor(UINT message, HDC dc, HWND control) override;

  private:
    void addGroup();
    void delGroup();
    void addRecord();
    void changeRecord();
    void deleteRecord();
    void runFind();
    void exportSelected();
    void loadSelectedRecord();
    void updateButtons();

    std::u16string text(int id) const;
    void setText(int id, std::u16string_view text);
    std::vector<std::u16string> groupList() const;
    RecordFields readFields() const;
    void warn(const Warning& warning);
    bool confirm(std::u16string_view text, std::u16string_view caption);
    void focus(int id);
    // Selected rows in ascending order.
    std::vector<int> selectedRows() const;
    // Shows the table's rows again with the given selection.
    void refreshTable(const std::vector<int>& selected);
    void getCellText(NMLVDISPINFOW& info) const;

    Depository& depository_;
    RecordTable table_;
    HBRUSH brush_;
};

}  // namespace tnk
