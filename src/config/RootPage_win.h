#pragma once
// The page of a node with children: a list of large icons, one per child. The list's
// notifications go to the window, which navigates with it.
#include "ConfigPage_win.h"

namespace vardex {

class RootPage final : public ConfigPage {
public:
    using ListHandler = std::function<bool(const NMHDR& header, LRESULT& result)>;
    using ConfigPage::ConfigPage;
    HWND List() const noexcept { return Item(IDC_LIST); }
    void SetListHandler(ListHandler handler) { listHandler_ = std::move(handler); }
    // The child of the node that the list's selected item stands for, -1 for none.
    int SelectedChild() const noexcept;

    void ShowFor(const NavigationNodes& nodes, int node) override;
    void ChangeLook(const PageLook& look) override;

protected:
    bool OnNotify(const NMHDR& header, LRESULT& result) override
    {
        return header.idFrom == IDC_LIST && listHandler_ && listHandler_(header, result);
    }

private:
    ListHandler listHandler_;
};

}  // namespace vardex
