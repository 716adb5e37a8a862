#pragma once
// The configuration window's icons: its tree's nodes, the actions of its menu and tool bar, and
// the user page's schedule buttons. Drawn from vector shapes at every size they are shown at.
#include <cstdint>
#include <string>
#include <vector>

namespace vardex::assets {

struct IconFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::vector<IconFile> WindowIconFiles();

}  // namespace vardex::assets
