#pragma once
// The configuration window's navigation tree: its nodes (NavigationNodes) and the tree view that
// shows them, each node's item beside it. A node's item holds the node's number.
#include "ConfigTree.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace vardex {

class NavigationTree {
public:
    void Attach(HWND view) noexcept { view_ = view; }
    HWND Handle() const noexcept { return view_; }
    const NavigationNodes& Nodes() const noexcept { return nodes_; }
    const NavigationNode& operator[](int node) const { return nodes_.At(node); }

    // Adds the node (under the newest node of its parent kind) and its item, last of its siblings.
    int Add(NodeKind kind, const std::string& caption, int image, int userIndex = -1);
    // The selected node, -1 for none.
    int Selected() const noexcept;
    // Selects the node's item; a number of no node selects nothing.
    void Select(int node) noexcept;
    bool IsExpanded(int node) const noexcept;
    void Expand(int node, bool expand) noexcept;
    void ExpandAll() noexcept;
    // Selects the item at a point of the view's client area; false when there is none there.
    bool SelectAt(POINT point) noexcept;

private:
    HWND view_ = nullptr;
    NavigationNodes nodes_;
    std::vector<HTREEITEM> items_;  // by node
};

}  // namespace vardex
