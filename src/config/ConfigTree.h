#pragma once
// The configuration window's navigation rules, apart from its controls: the status bar's text
// for the selected node, and which tree actions are enabled.
#include "common/SystemFacts.h"
#include "common/Texts.h"

#include <optional>
#include <string>
#include <vector>

namespace vardex {

enum class NodeKind { Root, CommonOptions, Settings, Appearance, UserOptions, User, Statistics };

inline bool HasChildren(NodeKind kind) noexcept
{
    return kind == NodeKind::Root || kind == NodeKind::CommonOptions || kind == NodeKind::UserOptions;
}

// The kind of node that a node of this kind goes under; none for the root.
std::optional<NodeKind> ParentKind(NodeKind kind) noexcept;

struct NavigationNode {
    NodeKind kind;
    std::string caption;
    int image = 0;       // in the tree's image list
    int userIndex = -1;  // a user's node: the user's place in the model
    int parent = -1;     // -1 for the root
};

// The navigation tree's nodes, apart from the tree view that shows them. Nodes are numbered in
// the order they are added; a node goes under the newest node of its parent kind.
class NavigationNodes {
public:
    // The new node's number; logic_error when no node of its parent kind is there yet.
    int Add(NodeKind kind, std::string caption, int image, int userIndex = -1);
    bool Contains(int node) const noexcept { return node >= 0 && node < static_cast<int>(nodes_.size()); }
    const NavigationNode& At(int node) const { return nodes_.at(static_cast<size_t>(node)); }
    int Count() const noexcept { return static_cast<int>(nodes_.size()); }
    std::vector<int> Children(int node) const;
    std::vector<std::string> ChildCaptions(int node) const;
    // The first node of a kind, or of a user; -1 when there is none.
    int Find(NodeKind kind) const noexcept;
    int FindUser(int userIndex) const noexcept;

private:
    std::vector<NavigationNode> nodes_;
};

// " caption : All Available User Profiles" for "User Options"; " caption : a, b, c" with the
// captions of the children for another node with children; " page title" for a leaf.
std::string NodeStatusText(NodeKind kind, const std::string& caption, const std::vector<std::string>& childCaptions,
                           const std::string& pageTitle, const Texts& texts);

struct TreeActionState {
    bool expand = false, collapse = false, back = false, open = false;
    bool operator==(const TreeActionState&) const = default;
};

struct TreeFocusState {
    bool treeFocused = false;
    bool hasChildren = false;
    bool expanded = false;
    bool hasParent = false;
    bool listFocused = false;
    bool listItemSelected = false;
};

// Expand and Collapse need the tree's focus and a node with children (collapsed, expanded);
// Back a parent; Open the list's focus and a selected item.
TreeActionState TreeActions(const TreeFocusState& state) noexcept;

// Names (user keys) in the order the lists show them: letter case ignored by the system's rules,
// for every letter; names that differ only in case keep their order.
std::vector<std::string> SortedNames(std::vector<std::string> names, SystemFacts& system);

// Where the keyboard focus is when a key comes, for the window's accelerators.
enum class KeyFocus { Other, Edit, HotKeyField };
struct KeyChord {
    unsigned key = 0;  // virtual key
    bool control = false, shift = false, alt = false;
};
// Whether the window's accelerators may take the key. An edit keeps the keys of its own editing
// (copy, cut, paste, select all, undo, Alt with any key); the hot-key field keeps every key, since
// any of them may become the hot key. Elsewhere the accelerators take what they know.
bool AcceleratorsMayTake(KeyFocus focus, const KeyChord& chord) noexcept;

}  // namespace vardex
