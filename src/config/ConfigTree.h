#pragma once
// The configuration window's navigation rules, apart from its controls: the status bar's text
// for the selected node, and which tree actions are enabled.
#include "common/SystemFacts.h"

#include <string>
#include <vector>

namespace vardex {

enum class NodeKind { Root, CommonOptions, Settings, Appearance, UserOptions, User, Statistics };

inline bool HasChildren(NodeKind kind) noexcept
{
    return kind == NodeKind::Root || kind == NodeKind::CommonOptions || kind == NodeKind::UserOptions;
}

// " caption : All Available User Profiles" for "User Options"; " caption : a, b, c" with the
// captions of the children for another node with children; " page title" for a leaf.
std::string NodeStatusText(NodeKind kind, const std::string& caption, const std::vector<std::string>& childCaptions,
                           const std::string& pageTitle);

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
